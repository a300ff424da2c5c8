#include "print/PrintCommands.h"

#include "app/DialogService.h"
#include "app/Umain.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "logger/ListTableModel.h"
#include "logger/Ulist.h"

#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

PrintCommands::PrintCommands(TfrmMain& main) : QObject(&main), m_main(main) {}
PrintCommands::~PrintCommands() = default;

QPrinter& PrintCommands::printer() {
    if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void PrintCommands::btnPrintClick() {
    QWidget* child = m_main.activeChild();
    if (auto* list = qobject_cast<TfrmList*>(child))
        printList(*list);
    else if (auto* graph = qobject_cast<TfrmGraph*>(child))
        printGraph(*graph);
    // No child window, or one that prints nothing (the front panel).
}

void PrintCommands::PrinterSetup1Click() {
    QPageSetupDialog dialog(&printer(), &m_main);
    if (m_main.dialogs().exec(dialog) == QDialog::Accepted) m_pageChosen = true;
}

void PrintCommands::printList(TfrmList& list) {
    QPrintDialog dialog(&printer(), &m_main);
    if (m_main.dialogs().exec(dialog) != QDialog::Accepted) return;
    printGrid(list.model(), printer());
}

void PrintCommands::printGraph(TfrmGraph& graph) {
    chart::Chart& c = *graph.PESGraph1;
    // The customisation dialog first, without the pages that only matter on screen.
    c.setAllowFontPage(false);
    c.setAllowPage1(false);
    c.setAllowPage2(false);
    c.setAllowSubsetsPage(false);
    c.customize();
    c.setAllowFontPage(true);
    c.setAllowPage1(true);
    c.setAllowPage2(true);
    c.setAllowSubsetsPage(true);
    // A chart is wider than high: unless the user has set the page up, it goes on a landscape
    // page, and the table printouts keep theirs.
    QPrinter& p = printer();
    const QPageLayout::Orientation before = p.pageLayout().orientation();
    if (!m_pageChosen) p.setPageOrientation(QPageLayout::Landscape);
    c.printDialog(&p);
    if (!m_pageChosen) p.setPageOrientation(before);
}

// --- Table printout ------------------------------------------------------------------------------

QString PrintCommands::tableLine(const QStringList& cells) {
    QString line;
    for (int c = 0; c < cells.size(); ++c) {
        const QString& text = cells.at(c);
        const int width = c == WideColumn ? WideColumnWidth : ColumnWidth;
        line += text;
        if (text.size() < width) line += QString(2 * (width - text.size()), QLatin1Char(' '));
    }
    return line;
}

QFont PrintCommands::tableFont() {
    // The classic fixed-pitch system font does not exist here; DejaVu Sans Mono (or whatever
    // fixed-pitch font the system offers) keeps the columns aligned.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(8);
    return font;
}

int PrintCommands::linesPerPage(int pageHeight, int lineHeight) {
    if (lineHeight <= 0) return 1;
    // Line i of a page is drawn from (i + 1) * H to (i + 2) * H; the page holds one line less
    // than height div H, or its last line would fall off the printable area.
    return std::max(1, pageHeight / lineHeight - 1);
}

bool PrintCommands::printGrid(const ListTableModel& grid, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setFont(tableFont());
    // H: the height of a line of text ("String Grid Printout") in this font.
    const QFontMetrics metrics = painter.fontMetrics();
    const int h = std::max(1, metrics.height());
    const int lines = linesPerPage(painter.viewport().height(), h);
    const int ascent = metrics.ascent();

    QStringList cells;
    for (int row = 0; row < grid.gridRowCount(); ++row) {
        if (row != 0 && row % lines == 0) printer.newPage();
        cells.clear();
        for (int c = 0; c < grid.gridColumnCount(); ++c)
            cells << grid.cell(row, c);
        const int top = (row % lines) * h + h;
        painter.drawText(QPoint(1, top + ascent), tableLine(cells));
    }
    painter.end();
    return true;
}
