#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <memory>

ModalDriver::ModalDriver() {
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

ModalDriver::~ModalDriver() {
    m_timer.stop();
}

void ModalDriver::then(Step step) {
    m_steps.push_back(std::move(step));
}

void ModalDriver::answer(QMessageBox::StandardButton button) {
    then([this, button](QWidget& w) {
        if (auto* box = qobject_cast<QMessageBox*>(&w))
            messages << box->text();
        else
            unexpected << QStringLiteral("not a message box: ") + w.windowTitle();
        pressButton(w, button);
    });
}

bool ModalDriver::waitAllDone(int timeoutMs) {
    return QTest::qWaitFor([this] { return allDone(); }, timeoutMs);
}

void ModalDriver::poll() {
    QWidget* w = QApplication::activeModalWidget();
    // A window handled before that is still up (closing, left open by its step, or back on top
    // once a window it opened has gone) is not new.
    if (!w) return;
    for (const QPointer<QWidget>& seen : m_handled)
        if (seen == w) return;
    m_handled.removeAll(nullptr);
    m_handled << w;
    if (m_steps.empty()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        unexpected << (box ? box->text() : w->windowTitle());
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        return;
    }
    // Run from a timer of its own: a modal window the step opens in turn (a confirmation from
    // within a file dialog) is then found by this timer, which does not fire while it runs.
    auto step = std::make_shared<Step>(std::move(m_steps.front()));
    m_steps.pop_front();
    QTimer::singleShot(0, w, [step, w] { (*step)(*w); });
}

void pressButton(QWidget& dialog, QMessageBox::StandardButton b) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        if (QAbstractButton* button = box->button(b)) {
            button->click();
            return;
        }
    }
    for (auto* buttons : dialog.findChildren<QDialogButtonBox*>())
        if (QAbstractButton* button =
                buttons->button(static_cast<QDialogButtonBox::StandardButton>(b))) {
            button->click();
            return;
        }
    if (auto* d = qobject_cast<QDialog*>(&dialog)) d->reject();
}
