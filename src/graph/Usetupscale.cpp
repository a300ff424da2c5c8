#include "graph/Usetupscale.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
// One axis: "MIN" and "MAX" with their boxes.
QGroupBox* axisGroup(const QString& title, QLineEdit** minBox, const QString& minName,
                     QLineEdit** maxBox, const QString& maxName) {
    auto* group = new QGroupBox(title);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(12);
    *minBox = new QLineEdit;
    (*minBox)->setObjectName(minName);
    *maxBox = new QLineEdit;
    (*maxBox)->setObjectName(maxName);
    for (QLineEdit* e : {*minBox, *maxBox})
        e->setFixedWidth(90);
    grid->addWidget(new QLabel(QStringLiteral("MIN")), 0, 0);
    grid->addWidget(*minBox, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("MAX")), 1, 0);
    grid->addWidget(*maxBox, 1, 1);
    grid->setRowStretch(2, 1);
    return group;
}
} // namespace

TfrmSetupScale::TfrmSetupScale(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSetupScale"));
    const QString caption = QStringLiteral("Y Axis Maximum And Minimum Scale Setup");
    setWindowTitle(caption);
    setFixedSize(426, 311);

    auto* outer = new QGroupBox(caption);
    auto* axes = new QHBoxLayout(outer);
    axes->setContentsMargins(12, 14, 12, 12);
    axes->setSpacing(14);
    axes->addWidget(axisGroup(QStringLiteral("ppm"), &edtppmMin, QStringLiteral("edtppmMin"),
                              &edtppmMax, QStringLiteral("edtppmMax")));
    axes->addWidget(axisGroup(QStringLiteral("RH /Temp."), &edtRHMin, QStringLiteral("edtRHMin"),
                              &edtRHMax, QStringLiteral("edtRHMax")));

    chkSave = new QCheckBox(QStringLiteral("Save this setting "));
    chkSave->setObjectName(QStringLiteral("chkSave"));
    QFont bold = chkSave->font();
    bold.setBold(true);
    chkSave->setFont(bold);
    QPalette red = chkSave->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    red.setColor(QPalette::ButtonText, Qt::red);
    chkSave->setPalette(red);
    chkSave->setChecked(false);

    btnOK = new QPushButton(QStringLiteral("OK"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkSave);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(outer, 1);
    layout->addLayout(buttons);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
