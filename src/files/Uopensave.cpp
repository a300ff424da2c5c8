#include "files/Uopensave.h"

#include <QPushButton>
#include <QVBoxLayout>

TfrmOpenSave::TfrmOpenSave(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    btnOpenSets = new QPushButton(
        QStringLiteral("Save all data sets to a data set collection file(*.732)"), this);
    btnOpenSets->setObjectName(QStringLiteral("btnOpenSets"));
    btnOpenSingleSet =
        new QPushButton(QStringLiteral("Save single selected  data set to a  file"), this);
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));

    auto* layout = new QVBoxLayout(this);
    for (QPushButton* b : {btnOpenSets, btnOpenSingleSet, Button1}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(360);
        layout->addWidget(b);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOpenSets, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(btnOpenSingleSet, &QPushButton::clicked, this, [this] { done(ResultNo); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(ResultCancel); });
}
