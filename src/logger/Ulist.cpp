#include "logger/Ulist.h"

#include "app/Umain.h"
#include "logger/ListTableModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Column 0 (the row number) is drawn like the header: it is the grid's fixed column.
class FixedColumnDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == 0) option->backgroundBrush = option->palette.button();
    }
};
} // namespace

QSize TfrmList::sizeHint() const {
    return {387, 413};
}

TfrmList::TfrmList(TfrmMain* main, QWidget* parent)
    : QWidget(parent), m_main(main), m_model(new ListTableModel(8, 2, this)) {
    setObjectName(QStringLiteral("frmList"));
    setAttribute(Qt::WA_DeleteOnClose); // closing frees the window
    setFont(QFont(QStringLiteral("MS Sans Serif")));
    resize(387, 413);

    Grid1 = new QTableView(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setModel(m_model);
    Grid1->setItemDelegate(new FixedColumnDelegate(Grid1));
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setDefaultSectionSize(18);
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->setShowGrid(true);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setWordWrap(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);

    // The header is there from the start, for whoever reads the grid before it is shown.
    FormShow();
    // Inside the main window's frame, activation is the frame's switch of sub-window.
    if (m_main && m_main->mdiArea()) {
        connect(m_main->mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
            if (w && w->widget() == this) FormActivate();
        });
    }
}

void TfrmList::FormShow() {
    static const char* const header[] = {"No", "Date", "Time", "ppm", "%RH", "Temp", "", ""};
    QStringList texts;
    for (const char* h : header)
        texts << QString::fromLatin1(h);
    m_model->setRow(0, texts);
}

void TfrmList::FormActivate() {
    if (m_main && m_main->btnOutputToGraph) m_main->btnOutputToGraph->setEnabled(true);
}

void TfrmList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TfrmList::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A list window shown on its own, outside the main window's frame.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_main) FormActivate();
}
