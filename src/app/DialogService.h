#pragma once
// Every message box, confirmation, file dialog and modal dialog goes through this service, so
// tests can queue answers and read back the texts shown. No test ever blocks on a modal window.
#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

struct FileDialogRequest {
    QString caption;
    QString folder;          // initial folder
    QString fileName;        // initial name (save)
    QStringList filters;     // "Graph Files (*.ghf)" ...
    int filterIndex = 0;     // initial filter
    QString defaultSuffix;   // without the dot
    QString acceptText;      // text of the accept button, when not the default
    bool confirmOverwrite = true;
};

struct FileDialogResult {
    QString fileName;        // empty: cancelled
    int filterIndex = 0;     // the filter chosen
};

class DialogService {
public:
    virtual ~DialogService() = default;

    // A message box; returns the button pressed.
    virtual QMessageBox::StandardButton message(
        QWidget* parent, const QString& text, const QString& caption = QString(),
        QMessageBox::Icon icon = QMessageBox::NoIcon,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;

    virtual FileDialogResult openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& request) = 0;

    // Runs a modal dialog; returns its result code (QDialog::Accepted, Rejected, or a custom one).
    virtual int exec(QDialog& dialog) = 0;

    // Standard colour and font choosers; ok is false when cancelled.
    virtual QColor chooseColor(QWidget* parent, const QColor& initial, bool* ok) = 0;
    virtual QFont chooseFont(QWidget* parent, const QFont& initial, bool* ok) = 0;
};

// The real dialogs.
class WidgetDialogService : public DialogService {
public:
    QMessageBox::StandardButton message(QWidget* parent, const QString& text,
                                        const QString& caption, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    FileDialogResult openFile(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& request) override;
    int exec(QDialog& dialog) override;
    QColor chooseColor(QWidget* parent, const QColor& initial, bool* ok) override;
    QFont chooseFont(QWidget* parent, const QFont& initial, bool* ok) override;

    // Called when the save dialog's type changes; may return a new name for the name box.
    std::function<QString(const QString& currentName, int filterIndex)> onSaveTypeChange;
};
