#pragma once
// The chart's own customisation dialog: titles, colours, grid, line and point style per subset,
// axis labels and the base font. Each page can be left out by the chart's settings.
#include "graph/chart/ChartState.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace chart {

class ChartCustomizeDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ChartCustomizeDialog(const ChartState& state, QWidget* parent = nullptr);

    // The state with the dialog's edits applied.
    ChartState result(const ChartState& state) const;

    QTabWidget* tabs() const { return m_tabs; }
    QLineEdit* mainTitleEdit() const { return m_mainTitle; }

  private:
    QPushButton* colorButton(Argb color);

    QTabWidget* m_tabs = nullptr;
    // Axis page
    QLineEdit* m_xLabel = nullptr;
    std::vector<QLineEdit*> m_yLabels;
    // Font page
    QFontComboBox* m_fontFamily = nullptr;
    QSpinBox* m_fontSize = nullptr;
    // Page 1: titles and grid
    QLineEdit* m_mainTitle = nullptr;
    QLineEdit* m_subTitle = nullptr;
    QComboBox* m_gridStyle = nullptr;
    QComboBox* m_viewingStyle = nullptr;
    // Page 2: colours
    QPushButton* m_graphFore = nullptr;
    QPushButton* m_graphBack = nullptr;
    QPushButton* m_desk = nullptr;
    QPushButton* m_text = nullptr;
    // Subsets page
    std::vector<QLineEdit*> m_subsetLabels;
    std::vector<QPushButton*> m_subsetColors;
    std::vector<QComboBox*> m_lineStyles;
    std::vector<QComboBox*> m_pointStyles;
};

} // namespace chart
