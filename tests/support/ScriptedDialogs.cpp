#include "ScriptedDialogs.h"

QMessageBox::StandardButton ScriptedDialogs::message(QWidget*, const QString& text,
                                                     const QString& caption,
                                                     QMessageBox::Icon icon,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton) {
    messages.push_back({text, caption, icon, buttons});
    if (!messageAnswers.empty()) {
        auto a = messageAnswers.front();
        messageAnswers.pop_front();
        return a;
    }
    if (defaultButton != QMessageBox::NoButton) return defaultButton;
    if (buttons.testFlag(QMessageBox::Cancel)) return QMessageBox::Cancel;
    if (buttons.testFlag(QMessageBox::No)) return QMessageBox::No;
    return QMessageBox::Ok;
}

FileDialogResult ScriptedDialogs::openFile(QWidget*, const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return {};
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

FileDialogResult ScriptedDialogs::saveFile(QWidget* parent, const FileDialogRequest& request) {
    return openFile(parent, request);
}

int ScriptedDialogs::exec(QDialog& dialog) {
    dialogsShown.push_back(dialog.windowTitle());
    if (dialogAnswers.empty()) return QDialog::Rejected;
    auto handler = std::move(dialogAnswers.front());
    dialogAnswers.pop_front();
    const int result = handler(dialog);
    dialog.setResult(result);
    return result;
}

QColor ScriptedDialogs::chooseColor(QWidget*, const QColor& initial, bool* ok) {
    if (colorAnswers.empty()) {
        if (ok) *ok = false;
        return initial;
    }
    QColor c = colorAnswers.front();
    colorAnswers.pop_front();
    if (ok) *ok = true;
    return c;
}

QFont ScriptedDialogs::chooseFont(QWidget*, const QFont& initial, bool* ok) {
    if (fontAnswers.empty()) {
        if (ok) *ok = false;
        return initial;
    }
    QFont f = fontAnswers.front();
    fontAnswers.pop_front();
    if (ok) *ok = true;
    return f;
}
