#pragma once
// Print and Printer Setup. A list window is printed here as plain text lines, one per grid row;
// a graph window is printed by its chart through the chart's own dialogs.
#include <QObject>
#include <QStringList>
#include <memory>

class QFont;
class QPrinter;
class ListTableModel;
class TfrmGraph;
class TfrmList;
class TfrmMain;

class PrintCommands : public QObject {
    Q_OBJECT
  public:
    explicit PrintCommands(TfrmMain& main);
    ~PrintCommands() override;

    // "&Print" and the "Print" button: prints the active child window, if it is a list or a
    // graph window.
    void btnPrintClick();
    // "&Printer Setup": the page setup of the printer that the next print job uses.
    void PrinterSetup1Click();

    // The printer chosen in either dialog (created on first use).
    QPrinter& printer();

    // --- Table printout ---------------------------------------------------------------------
    // Column widths in characters; a shorter text gets two blanks per missing character.
    static constexpr int ColumnWidth = 10;
    static constexpr int WideColumn = 2;
    static constexpr int WideColumnWidth = 17;
    // One printed line: the cells of a row, each padded to its column's width.
    static QString tableLine(const QStringList& cells);
    // The fixed-pitch font of the printout, 8 points.
    static QFont tableFont();
    // Prints every row of the grid, the header row included, L lines a page; returns false when
    // the printer could not start the job.
    static bool printGrid(const ListTableModel& grid, QPrinter& printer);
    // Lines per page for a printable height and a line height (both in printer units).
    static int linesPerPage(int pageHeight, int lineHeight);

  private:
    void printList(TfrmList& list);
    void printGraph(TfrmGraph& graph);

    TfrmMain& m_main;
    std::unique_ptr<QPrinter> m_printer;
    bool m_pageChosen = false; // the user has set the page up: every job keeps it
};
