#pragma once
// TfrmList: a child window with one table, Grid1, holding the rows of a text or CSV file.
// Row 0 of the grid is the header row (the view's column headers), column 0 the row number.
#include <QWidget>

class QTableView;
class TfrmMain;
class ListTableModel;

class TfrmList : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmList(TfrmMain* main, QWidget* parent = nullptr);

    // 387 x 413 client pixels at first; the window frame sizes itself from this.
    QSize sizeHint() const override;

    QTableView* Grid1 = nullptr;
    ListTableModel& model() const { return *m_model; }

    void FormShow();     // writes the header row
    void FormActivate(); // enables the main window's "Output Tabular to graph" button

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    TfrmMain* m_main;
    ListTableModel* m_model;
};
