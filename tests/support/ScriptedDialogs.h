#pragma once
// A dialog service for tests: every call is recorded, and answers come from queues.
// An empty queue gives the harmless default (Cancel / the default button / rejected).
#include "app/DialogService.h"

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

struct ShownMessage {
    QString text;
    QString caption;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

class ScriptedDialogs : public DialogService {
public:
    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<QString> dialogsShown; // window titles of dialogs run through exec()

    std::deque<QMessageBox::StandardButton> messageAnswers;
    std::deque<FileDialogResult> fileAnswers;
    // Each handler may fill the dialog's fields and returns its result code.
    std::deque<std::function<int(QDialog&)>> dialogAnswers;
    std::deque<QColor> colorAnswers;
    std::deque<QFont> fontAnswers;

    QMessageBox::StandardButton message(QWidget*, const QString& text, const QString& caption,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    FileDialogResult openFile(QWidget*, const FileDialogRequest& request) override;
    FileDialogResult saveFile(QWidget*, const FileDialogRequest& request) override;
    int exec(QDialog& dialog) override;
    QColor chooseColor(QWidget*, const QColor& initial, bool* ok) override;
    QFont chooseFont(QWidget*, const QFont& initial, bool* ok) override;

    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }
};
