#include "app/Uscope.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmScope::TfrmScope(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Print Range"));

    GroupBox1 = new QGroupBox(this);
    radAll = new QRadioButton(QStringLiteral("&All"), GroupBox1);
    radAll->setChecked(true);
    radNo = new QRadioButton(QStringLiteral("&Select"), GroupBox1);
    Label1 = new QLabel(QStringLiteral("&from"), GroupBox1);
    edtSelFrom = new QLineEdit(GroupBox1);
    Label1->setBuddy(edtSelFrom);
    Label2 = new QLabel(QStringLiteral("&to"), GroupBox1);
    edtSelTo = new QLineEdit(GroupBox1);
    Label2->setBuddy(edtSelTo);
    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(radAll, 0, 0, 1, 4);
    grid->addWidget(radNo, 1, 0);
    grid->addWidget(Label1, 1, 1);
    grid->addWidget(edtSelFrom, 1, 2);
    grid->addWidget(Label2, 1, 3);
    grid->addWidget(edtSelTo, 1, 4);

    Progress1 = new QProgressBar(this);
    SText1 = new QLabel(QStringLiteral("bytes received"), this);
    SText2 = new QLabel(QStringLiteral("total bytes"), this);
    lblBytesReceived = new QLabel(this);
    lblTotalBytes = new QLabel(this);
    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn2 = new QPushButton(tr("Cancel"), this);

    auto* texts = new QGridLayout;
    texts->addWidget(SText1, 0, 0);
    texts->addWidget(lblBytesReceived, 0, 1);
    texts->addWidget(SText2, 1, 0);
    texts->addWidget(lblTotalBytes, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(Progress1);
    layout->addLayout(texts);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Every control starts hidden; each user shows what it needs.
    for (QWidget* w : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(Progress1),
                       static_cast<QWidget*>(SText1), static_cast<QWidget*>(SText2),
                       static_cast<QWidget*>(lblBytesReceived),
                       static_cast<QWidget*>(lblTotalBytes), static_cast<QWidget*>(BitBtn1),
                       static_cast<QWidget*>(BitBtn2)})
        w->hide();

    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        m_result = ResultOk;
        done(ResultOk);
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        m_result = ResultCancel;
        if (isModal()) done(ResultCancel);
    });
}

void TfrmScope::showProgress() {
    setModal(false);
    show();
    QCoreApplication::processEvents();
}

bool TfrmScope::stopsWork() const {
    return isModal() || !BitBtn2->isHidden();
}

void TfrmScope::reject() {
    if (m_result != ResultOk) m_result = ResultCancel;
    QDialog::reject();
}

void TfrmScope::closeEvent(QCloseEvent* event) {
    // The user's close box on work that cannot be stopped would only hide the progress.
    if (event->spontaneous() && !stopsWork()) {
        event->ignore();
        return;
    }
    // The close box counts as cancel, for a range dialog and a progress window alike.
    if (m_result != ResultOk) m_result = ResultCancel;
    QDialog::closeEvent(event);
}

void TfrmScope::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !stopsWork()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
