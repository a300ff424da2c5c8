#pragma once
// Drives the real modal windows of a test: a timer looks for QApplication::activeModalWidget()
// and hands each new one to the next queued step, which presses its buttons. A modal window
// that no step was queued for is noted and rejected, so a test never hangs on it.
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class ModalDriver {
  public:
    using Step = std::function<void(QWidget& modal)>;

    ModalDriver();
    ~ModalDriver();

    // The next modal window that comes up gets this step.
    void then(Step step);
    // The next modal window is a message box: its text is noted and this button pressed.
    void answer(QMessageBox::StandardButton button);

    bool allDone() const { return m_steps.empty(); }
    // Runs the event loop until every step has run (false when that took over timeoutMs).
    bool waitAllDone(int timeoutMs = 10000);

    QStringList messages;   // texts of the message boxes answered
    QStringList unexpected; // titles (or texts) of modal windows no step was queued for

  private:
    void poll();

    QTimer m_timer;
    std::deque<Step> m_steps;
    QList<QPointer<QWidget>> m_handled; // modal windows already given a step (or rejected)
};

// Presses the button of a message box (or of any dialog's button box) that answers b.
void pressButton(QWidget& dialog, QMessageBox::StandardButton b);
