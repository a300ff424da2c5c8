#include "realtime/Usetuprealtime.h"

#include "realtime/RealTimeCore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

TfrmSetupRealTime::TfrmSetupRealTime(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSetupRealTime"));
    setWindowTitle(QStringLiteral("Real-Time Setup"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(402, 175);

    // Up to five digits; blanks stand where no digit was typed.
    edtRealTimeNo = new QLineEdit(this);
    edtRealTimeNo->setObjectName(QStringLiteral("edtRealTimeNo"));
    edtRealTimeNo->setMaxLength(5);
    edtRealTimeNo->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ 0-9]{0,5}")), this));
    edtRealTimeNo->setText(QStringLiteral(" 2000"));
    edtRealTimeNo->setFixedWidth(60);

    auto makeList = [this](const char* name, int initial) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        for (int i = 0; i < RealTime::ListEntries; ++i)
            box->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
        box->setCurrentIndex(initial);
        box->setMaxVisibleItems(12);
        connect(box, &QComboBox::activated, this, [this] { ComboBox1Change(); });
        return box;
    };
    ComboBox1 = makeList("ComboBox1", 0);
    ComboBox2 = makeList("ComboBox2", 2);

    edtPeriod = new QLineEdit(this);
    edtPeriod->setObjectName(QStringLiteral("edtPeriod"));
    edtPeriod->setReadOnly(true);
    edtPeriod->setFixedWidth(90);

    btnStart = new QPushButton(QStringLiteral("Start"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnStart->setDefault(true);
    connect(btnStart, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The note on the count has a line of its own under it: beside the box it would not fit
    // into the dialog's 402 pixels.
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    grid->addWidget(new QLabel(QStringLiteral("Real-Time data no to be recorded"), this), 0, 0);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(edtRealTimeNo);
    countRow->addStretch();
    grid->addLayout(countRow, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("(Adjust the number to meet your need)"), this), 1, 0,
                    1, 2, Qt::AlignRight);
    grid->addWidget(new QLabel(QStringLiteral("Real -Time Sampling Rate"), this), 2, 0);
    auto* rateRow = new QHBoxLayout;
    rateRow->setSpacing(6);
    rateRow->addWidget(ComboBox1);
    rateRow->addWidget(ComboBox2);
    rateRow->addWidget(new QLabel(QStringLiteral("mm:ss"), this));
    rateRow->addStretch();
    grid->addLayout(rateRow, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Recording Period"), this), 3, 0);
    auto* periodRow = new QHBoxLayout;
    periodRow->setSpacing(6);
    periodRow->addWidget(edtPeriod);
    periodRow->addWidget(new QLabel(QStringLiteral("HH:MM:SS"), this));
    periodRow->addStretch();
    grid->addLayout(periodRow, 3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnStart);
    buttons->addWidget(btnCancel);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TfrmSetupRealTime::ComboBox1Change() {
    if (ComboBox1->currentIndex() <= 0 && ComboBox2->currentIndex() <= 0) {
        ComboBox1->setCurrentIndex(0);
        ComboBox2->setCurrentIndex(2);
    }
    const int count = RealTime::parseCount(edtRealTimeNo->text()).value_or(0);
    const int64_t seconds =
        static_cast<int64_t>(count) *
        RealTime::rateFromLists(ComboBox1->currentIndex(), ComboBox2->currentIndex());
    edtPeriod->setText(RealTime::periodTextPadded(seconds));
}
