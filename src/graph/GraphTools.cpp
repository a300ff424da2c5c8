// The graph window's chart tools: annotation modes, placing, deleting and colouring marks, the
// Y axis scale dialog, the customisation dialog, split and single-axis layouts, colour and
// monochrome drawing, and the statistic panels' font.
#include "app/DialogService.h"
#include "app/Umain.h"
#include "files/FileCommands.h"
#include "graph/Uannoedit.h"
#include "graph/Ugraph.h"
#include "graph/Usetupscale.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

using chart::Chart;

namespace {
constexpr int NormalMode = -99;
constexpr int TextMode = 0;
constexpr int CrossMode = 2;

// Where a click lands relative to the pointer's hot spot: the crossing point of the cross
// pointer, and just below the tip of the text pointer.
constexpr QPoint CrossShift(15, 15);
constexpr QPoint TextShift(1, 7);

// The engine's rectangle counts its right and bottom edges as inside.
bool insidePlotting(QPoint p, const QRect& area) {
    return p.x() >= area.left() && p.x() <= area.right() + 1 && p.y() >= area.top() &&
           p.y() <= area.bottom() + 1;
}

// An axis limit as the scale dialog shows it: truncated toward zero.
QString truncatedText(double v) {
    return QString::number(std::trunc(v) + 0.0, 'f', 0);
}
} // namespace

QCursor TfrmGraph::crossPointer() {
    return QCursor(QPixmap(QStringLiteral(":/cursors/cross.png")), 0, 0);
}

void TfrmGraph::connectTools() {
    connect(ToolButton4, &QToolButton::clicked, this, [this] { ToolButton4Click(); });
    connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
    connect(ToolButton9, &QToolButton::clicked, this, [this] { ToolButton9Click(); });
    connect(ToolButton15, &QToolButton::clicked, this, [this] { ToolButton15Click(); });
    connect(ToolButton6, &QToolButton::clicked, this, [this] { ToolButton7Click(); });
    connect(ToolButton7, &QToolButton::clicked, this, [this] { ToolButton7Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(btnChangeScale, &QPushButton::clicked, this, [this] { btnChangeScaleClick(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    // Setting the box from a chart file switches the layout just as a click does.
    connect(chkSplit, &QCheckBox::toggled, this, [this] { chkSplitClick(); });
    connect(PESGraph1, &Chart::clicked, this, [this] { PESGraph1Click(); });
    connect(PESGraph1, &Chart::graphHotSpot, this, [this] { PESGraph1GraphHotSpot(); });
    connect(PESGraph1, &Chart::graphAnnotationHotSpot, this,
            &TfrmGraph::PESGraph1GraphAnnotHotSpot);
    connect(PESGraph1, &Chart::customizeDialogClosed, this, [this] { PESGraph1CustomizeDlg(); });

    m_panelFont = QFont(QStringLiteral("Tahoma"));
    m_panelFont.setPixelSize(13);
}

// --- Annotations ---------------------------------------------------------------------------------

void TfrmGraph::ToolButton4Click() {
    ToolButton4->setChecked(true);
    PESGraph1->setPointer(Qt::ArrowCursor);
    m_main.state().ToolMode = NormalMode;
}

void TfrmGraph::ToolButton5Click() {
    ToolButton5->setChecked(true);
    PESGraph1->setPointer(crossPointer());
    m_main.state().ToolMode = CrossMode;
}

void TfrmGraph::ToolButton9Click() {
    ToolButton9->setChecked(true);
    PESGraph1->setPointer(Qt::IBeamCursor);
    m_main.state().ToolMode = TextMode;
}

void TfrmGraph::PESGraph1Click() {
    AppState& st = m_main.state();
    const int mode = st.ToolMode;
    if (mode != CrossMode && mode != TextMode) return;
    Chart& c = *PESGraph1;
    const QRect area = c.plottingRect();
    const QPoint at = c.lastMousePosition() + (mode == CrossMode ? CrossShift : TextShift);
    const QPointF xy = c.pixelToData(at);
    if (!insidePlotting(at, area)) return;

    const QColor color = QColor::fromRgba(chart::fromBgr(uint32_t(st.AnnoColor)));
    if (mode == CrossMode) {
        const int index = ++st.AnnotationIndex;
        c.setGraphAnnotationType(index, chart::AnnotationCross);
        c.setGraphAnnotationX(index, xy.x());
        c.setGraphAnnotationY(index, xy.y());
        c.setGraphAnnotationColor(index, color);
        c.setGraphAnnotationText(index, QString());
    } else {
        TfrmAnnoEdit edit(this);
        if (m_main.dialogs().exec(edit) == QDialog::Accepted) {
            const int index = ++st.AnnotationIndex;
            c.setGraphAnnotationType(index, chart::AnnotationText);
            c.setGraphAnnotationX(index, xy.x());
            c.setGraphAnnotationY(index, xy.y());
            c.setGraphAnnotationText(index, edit.Edit1->text());
            c.setGraphAnnotationColor(index, color);
        }
    }
    c.redraw();
}

void TfrmGraph::PESGraph1GraphAnnotHotSpot(bool doubleClick, int index) {
    if (!doubleClick) return;
    // Nothing left to draw; the place and the index stay taken.
    PESGraph1->setGraphAnnotationType(index, chart::AnnotationText);
    PESGraph1->setGraphAnnotationText(index, QString());
    PESGraph1->redraw();
}

void TfrmGraph::PESGraph1GraphHotSpot() {
    PESGraph1->setHint(QStringLiteral("Double click to delete."));
}

void TfrmGraph::ToolButton15Click() {
    bool ok = false;
    const QColor chosen = m_main.dialogs().chooseColor(this, annotationColor, &ok);
    if (!ok || !chosen.isValid()) return;
    annotationColor = chosen;
    AppState& st = m_main.state();
    st.AnnoColor = int32_t(chart::toBgr(chosen.rgba()));
    for (int i = 0; i <= st.AnnotationIndex; ++i)
        PESGraph1->setGraphAnnotationColor(i, chosen);
    PESGraph1->redraw();
}

// --- Y axis scale --------------------------------------------------------------------------------

void TfrmGraph::btnChangeScaleClick() {
    Chart& c = *PESGraph1;
    TfrmSetupScale dialog(this);
    c.setWorkingAxis(1);
    dialog.edtRHMin->setText(truncatedText(c.manualMinY()));
    dialog.edtRHMax->setText(truncatedText(c.manualMaxY()));
    c.setWorkingAxis(0);
    dialog.edtppmMin->setText(truncatedText(c.manualMinY()));
    dialog.edtppmMax->setText(truncatedText(c.manualMaxY()));
    if (m_main.dialogs().exec(dialog) != QDialog::Accepted) return;

    // Every box is tried; the last one that fails is the one reported.
    QString bad;
    bool failed = false;
    auto convert = [&](const QLineEdit* box) {
        bool ok = false;
        const int v = box->text().trimmed().toInt(&ok);
        if (!ok) {
            failed = true;
            bad = box->text();
        }
        return v;
    };
    const int ppmMax = convert(dialog.edtppmMax);
    const int ppmMin = convert(dialog.edtppmMin);
    const int rhMax = convert(dialog.edtRHMax);
    const int rhMin = convert(dialog.edtRHMin);
    if (failed) {
        m_main.dialogs().message(this, bad + QStringLiteral(" is invalid."));
        return;
    }

    // A minimum above its maximum is passed on as it is.
    c.setWorkingAxis(1);
    c.setManualMinY(rhMin);
    c.setManualMaxY(rhMax);
    c.setWorkingAxis(0);
    c.setManualMinY(ppmMin);
    c.setManualMaxY(ppmMax);
    c.redraw();
    if (dialog.chkSave->isChecked()) saveTemplate(c);
}

// --- Customisation -------------------------------------------------------------------------------

void TfrmGraph::Button1Click() {
    Chart& c = *PESGraph1;
    const bool manualX = c.manualScaleX();
    const double minX = c.manualMinX();
    const double maxX = c.manualMaxX();
    c.customize();
    // The dialog cannot change the time range. A chart with an automatic time scale keeps it:
    // a manual range made of its unused limits would show nothing.
    c.setManualScaleX(manualX);
    c.setManualMinX(minX);
    c.setManualMaxX(maxX);
    c.setWorkingAxis(0);
    c.undoZoom();
    UndoZoom->setEnabled(false);
    c.redraw();
}

void TfrmGraph::PESGraph1CustomizeDlg() {
    if (PESGraph1->customizeDialogResult() != 1) return;
    const auto answer = m_main.dialogs().message(
        this, QStringLiteral("Do you want to save the changes ?"), QString(), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) saveTemplate(*PESGraph1);
}

// --- Layout, colours, font -----------------------------------------------------------------------

void TfrmGraph::chkSplitClick() {
    Chart& c = *PESGraph1;
    if (chkSplit->isChecked()) {
        c.setMultiAxesSubsets(-1, 0);
        c.setMultiAxesSubsets(0, 1);
        c.setMultiAxesSubsets(1, 2);
        c.setMultiAxesSubsets(2, 2);
        c.setMultiAxesProportions(0, 0.2);
        c.setMultiAxesProportions(1, 0.4);
        c.setMultiAxesProportions(2, 0.4);
        ToolButton4Click();
    } else {
        c.setMultiAxesSubsets(-1, 0);
        c.setMultiAxesProportions(0, 1.0);
    }
    c.redraw();
    c.reinitAndReset();
}

void TfrmGraph::ToolButton7Click() {
    PESGraph1->setViewingStyle(ToolButton7->isChecked() ? chart::ViewingStyle::Monochrome
                                                        : chart::ViewingStyle::Color);
    PESGraph1->redraw();
}

void TfrmGraph::Button3Click() {
    bool ok = false;
    const QFont chosen = m_main.dialogs().chooseFont(this, m_panelFont, &ok);
    if (!ok) return;
    m_panelFont = chosen;
    // The boxes' widths were made for the first font; they grow and shrink with the new one,
    // so a bigger font does not cut off the front of a maximum or a start time.
    static const QString sample = QStringLiteral("0123456789@: Dec");
    const int advance = QFontMetrics(chosen).horizontalAdvance(sample);
    for (QWidget* panel : {pnlStatistic, pnlGraphStatistic}) {
        for (StatisticBox* box : panel->findChildren<StatisticBox*>()) {
            if (!box->property("baseWidth").isValid()) {
                box->setProperty("baseWidth", box->preferredWidth());
                box->setProperty("baseAdvance",
                                 QFontMetrics(box->font()).horizontalAdvance(sample));
            }
            const int base = box->property("baseWidth").toInt();
            const int baseAdvance = std::max(1, box->property("baseAdvance").toInt());
            box->setPreferredWidth(std::max(24, base * advance / baseAdvance));
        }
    }
    pnlStatistic->setFont(chosen);
    pnlGraphStatistic->setFont(chosen);
}
