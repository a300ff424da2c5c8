#include "app/Uabout.h"

#include "Version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::MSWindowsFixedSizeDialogHint) {
    setAttribute(Qt::WA_DeleteOnClose); // closing the box frees it
    setWindowTitle(QString());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(12);
    lblTitle = new QLabel(QStringLiteral("CARBON DIOXIDE METER Software"), this);
    QFont f = lblTitle->font();
    f.setBold(true);
    f.setItalic(true);
    f.setPointSizeF(f.pointSizeF() * 1.5);
    lblTitle->setFont(f);
    lblTitle->setStyleSheet(QStringLiteral("color: blue;"));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblVersion = new QLabel(QStringLiteral("Version:") + QLatin1Char(' ') + versionText(), this);
    lblVersion->setAlignment(Qt::AlignCenter);
    // The licence asks an interactive program to show its copyright and that it has no warranty.
    lblProgram = new QLabel(QStringLiteral("Q7320"), this);
    lblProgram->setAlignment(Qt::AlignCenter);
    QFont pf = lblProgram->font();
    pf.setBold(true);
    lblProgram->setFont(pf);
    lblCopyright = new QLabel(QStringLiteral(Q7320_COPYRIGHT_TEXT), this);
    lblCopyright->setAlignment(Qt::AlignCenter);
    lblWarranty = new QLabel(warrantyText(), this);
    lblWarranty->setAlignment(Qt::AlignCenter);
    lblWarranty->setWordWrap(true);
    QFont wf = lblWarranty->font();
    wf.setPointSizeF(wf.pointSizeF() * 0.9);
    lblWarranty->setFont(wf);
    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmAbout::BitBtn1Click);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addWidget(lblProgram);
    layout->addWidget(lblCopyright);
    layout->addWidget(lblWarranty);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

QString TfrmAbout::versionText() {
    return QStringLiteral(Q7320_VERSION_TEXT);
}

QString TfrmAbout::warrantyText() {
    return QStringLiteral(
        "This program comes with ABSOLUTELY NO WARRANTY. It is free software: you "
        "may redistribute it and/or modify it under the terms of the GNU General "
        "Public License, version 3 or later.");
}
