#include "graph/chart/ChartCustomizeDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace chart {
namespace {
const char* const ColorProperty = "argb";

Argb buttonColor(const QPushButton* b) {
    return b->property(ColorProperty).toUInt();
}

void showColor(QPushButton* b, Argb c) {
    b->setProperty(ColorProperty, c);
    b->setStyleSheet(QStringLiteral("background-color: %1;").arg(QColor::fromRgba(c).name()));
}
} // namespace

QPushButton* ChartCustomizeDialog::colorButton(Argb color) {
    auto* b = new QPushButton;
    b->setFixedWidth(60);
    showColor(b, color);
    connect(b, &QPushButton::clicked, this, [this, b] {
        const QColor c = QColorDialog::getColor(QColor::fromRgba(buttonColor(b)), this);
        if (c.isValid()) showColor(b, c.rgba());
    });
    return b;
}

ChartCustomizeDialog::ChartCustomizeDialog(const ChartState& s, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Customization"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget;
    layout->addWidget(m_tabs);

    if (s.allowPage1) {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        m_mainTitle = new QLineEdit(s.mainTitle);
        m_subTitle = new QLineEdit(s.subTitle);
        m_gridStyle = new QComboBox;
        m_gridStyle->addItems({tr("Solid"), tr("Dot"), tr("Dash"), tr("None")});
        m_gridStyle->setCurrentIndex(int(s.gridStyle));
        m_viewingStyle = new QComboBox;
        m_viewingStyle->addItems({tr("Color"), tr("Monochrome")});
        m_viewingStyle->setCurrentIndex(int(s.viewingStyle));
        form->addRow(tr("Main title"), m_mainTitle);
        form->addRow(tr("Subtitle"), m_subTitle);
        form->addRow(tr("Grid"), m_gridStyle);
        form->addRow(tr("Viewing style"), m_viewingStyle);
        m_tabs->addTab(page, tr("General"));
    }
    if (s.allowPage2) {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        m_graphFore = colorButton(s.graphForeColor);
        m_graphBack = colorButton(s.graphBackColor);
        m_desk = colorButton(s.deskColor);
        m_text = colorButton(s.textColor);
        form->addRow(tr("Grid lines"), m_graphFore);
        form->addRow(tr("Graph background"), m_graphBack);
        form->addRow(tr("Desk"), m_desk);
        form->addRow(tr("Text"), m_text);
        m_tabs->addTab(page, tr("Colors"));
    }
    if (s.allowSubsetsPage) {
        auto* page = new QWidget;
        auto* grid = new QGridLayout(page);
        grid->addWidget(new QLabel(tr("Label")), 0, 0);
        grid->addWidget(new QLabel(tr("Color")), 0, 1);
        grid->addWidget(new QLabel(tr("Line")), 0, 2);
        grid->addWidget(new QLabel(tr("Points")), 0, 3);
        for (size_t i = 0; i < s.subsetStyles.size(); ++i) {
            const SubsetStyle& st = s.subsetStyles[i];
            auto* label = new QLineEdit(st.label);
            auto* color = colorButton(st.color);
            auto* line = new QComboBox;
            line->addItems({tr("Line"), tr("Points"), tr("Line and points"), tr("Steps")});
            line->setCurrentIndex(int(st.line));
            auto* point = new QComboBox;
            point->addItems(
                {tr("None"), tr("Dot"), tr("Cross"), tr("Plus"), tr("Circle"), tr("Square")});
            point->setCurrentIndex(int(st.point));
            const int row = int(i) + 1;
            grid->addWidget(label, row, 0);
            grid->addWidget(color, row, 1);
            grid->addWidget(line, row, 2);
            grid->addWidget(point, row, 3);
            m_subsetLabels.push_back(label);
            m_subsetColors.push_back(color);
            m_lineStyles.push_back(line);
            m_pointStyles.push_back(point);
        }
        grid->setRowStretch(int(s.subsetStyles.size()) + 1, 1);
        m_tabs->addTab(page, tr("Subsets"));
    }
    if (s.allowAxisPage) {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        m_xLabel = new QLineEdit(s.xLabel);
        form->addRow(tr("X axis label"), m_xLabel);
        for (size_t a = 0; a < s.yAxes.size(); ++a) {
            auto* edit = new QLineEdit(s.yAxes[a].label);
            form->addRow(tr("Y axis %1 label").arg(a), edit);
            m_yLabels.push_back(edit);
        }
        m_tabs->addTab(page, tr("Axis"));
    }
    if (s.allowFontPage) {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        m_fontFamily = new QFontComboBox;
        if (!s.fontFamily.isEmpty()) m_fontFamily->setCurrentFont(QFont(s.fontFamily));
        m_fontSize = new QSpinBox;
        m_fontSize->setRange(6, 72);
        m_fontSize->setValue(s.fontPixelSize);
        form->addRow(tr("Font"), m_fontFamily);
        form->addRow(tr("Size (pixels)"), m_fontSize);
        m_tabs->addTab(page, tr("Fonts"));
    }

    if (m_tabs->count() == 0) {
        // Every page is left out (as before printing): the drawing style is still offered, so
        // the chart can go to a black-and-white printer in monochrome.
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        m_viewingStyle = new QComboBox;
        m_viewingStyle->addItems({tr("Color"), tr("Monochrome")});
        m_viewingStyle->setCurrentIndex(int(s.viewingStyle));
        form->addRow(tr("Viewing style"), m_viewingStyle);
        m_tabs->addTab(page, tr("Style"));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ChartState ChartCustomizeDialog::result(const ChartState& state) const {
    ChartState s = state;
    if (m_mainTitle) {
        s.mainTitle = m_mainTitle->text();
        s.subTitle = m_subTitle->text();
        s.gridStyle = GridStyle(m_gridStyle->currentIndex());
    }
    if (m_viewingStyle) s.viewingStyle = ViewingStyle(m_viewingStyle->currentIndex());
    if (m_graphFore) {
        s.graphForeColor = buttonColor(m_graphFore);
        s.graphBackColor = buttonColor(m_graphBack);
        s.deskColor = buttonColor(m_desk);
        s.textColor = buttonColor(m_text);
    }
    for (size_t i = 0; i < m_subsetLabels.size() && i < s.subsetStyles.size(); ++i) {
        s.subsetStyles[i].label = m_subsetLabels[i]->text();
        s.subsetStyles[i].color = buttonColor(m_subsetColors[i]);
        s.subsetStyles[i].line = LineStyle(m_lineStyles[i]->currentIndex());
        s.subsetStyles[i].point = PointStyle(m_pointStyles[i]->currentIndex());
    }
    if (m_xLabel) {
        s.xLabel = m_xLabel->text();
        for (size_t a = 0; a < m_yLabels.size() && a < s.yAxes.size(); ++a)
            s.yAxes[a].label = m_yLabels[a]->text();
    }
    if (m_fontFamily) {
        const QString family = m_fontFamily->currentFont().family();
        if (family != QFont(state.fontFamily).family() || !state.fontFamily.isEmpty())
            s.fontFamily = family;
        s.fontPixelSize = m_fontSize->value();
    }
    return s;
}

} // namespace chart
