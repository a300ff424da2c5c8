#include "app/DialogService.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>

QMessageBox::StandardButton WidgetDialogService::message(QWidget* parent, const QString& text,
                                                         const QString& caption,
                                                         QMessageBox::Icon icon,
                                                         QMessageBox::StandardButtons buttons,
                                                         QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption.isEmpty() ? QStringLiteral("Q7320") : caption, text, buttons,
                    parent);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

namespace {
// The extension of a filter entry's first pattern: "TXT file(*.txt) (*.TXT)" gives "TXT".
QString patternExtension(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return {};
    const QString first = filter.mid(open + 1, close - open - 1)
                              .section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const QString ext = first.startsWith(QLatin1String("*.")) ? first.mid(2) : QString();
    return ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')) ? QString() : ext;
}

FileDialogResult runFileDialog(QWidget* parent, const FileDialogRequest& r, bool save,
                               const std::function<QString(const QString&, int)>& typeChange) {
    // The non-native dialog, so the name box can follow a change of file type.
    QFileDialog dlg(parent, r.caption, r.folder);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
    if (!r.filters.isEmpty()) {
        dlg.setNameFilters(r.filters);
        if (r.filterIndex >= 0 && r.filterIndex < r.filters.size())
            dlg.selectNameFilter(r.filters.at(r.filterIndex));
    }
    if (!r.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(r.defaultSuffix);
    if (!r.fileName.isEmpty()) dlg.selectFile(r.fileName);
    if (!r.acceptText.isEmpty()) dlg.setLabelText(QFileDialog::Accept, r.acceptText);
    if (save) {
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& filter) {
            // The type the user picks decides the extension of a name typed without one.
            const QString ext = patternExtension(filter);
            if (!ext.isEmpty()) dlg.setDefaultSuffix(ext);
            auto* nameBox = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!nameBox || !typeChange) return;
            const QString renamed = typeChange(nameBox->text(), r.filters.indexOf(filter));
            if (!renamed.isNull()) nameBox->setText(renamed);
        });
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return {dlg.selectedFiles().first(), static_cast<int>(r.filters.indexOf(dlg.selectedNameFilter()))};
}
} // namespace

FileDialogResult WidgetDialogService::openFile(QWidget* parent, const FileDialogRequest& r) {
    return runFileDialog(parent, r, false, {});
}

FileDialogResult WidgetDialogService::saveFile(QWidget* parent, const FileDialogRequest& r) {
    return runFileDialog(parent, r, true, onSaveTypeChange);
}

int WidgetDialogService::exec(QDialog& dialog) { return dialog.exec(); }

QColor WidgetDialogService::chooseColor(QWidget* parent, const QColor& initial, bool* ok) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (ok) *ok = c.isValid();
    return c.isValid() ? c : initial;
}

QFont WidgetDialogService::chooseFont(QWidget* parent, const QFont& initial, bool* ok) {
    bool accepted = false;
    const QFont f = QFontDialog::getFont(&accepted, initial, parent);
    if (ok) *ok = accepted;
    return accepted ? f : initial;
}
