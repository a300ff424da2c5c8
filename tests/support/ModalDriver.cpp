#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

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
    // A step's window that is still up (closing, or a step that leaves it open) is not new.
    if (!w || w == m_last) return;
    m_last = w;
    if (m_steps.empty()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        unexpected << (box ? box->text() : w->windowTitle());
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        return;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    step(*w);
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
