// The graph window's chart tools: tool modes and marks, deleting and colouring them, the Y axis
// dialog, the customisation dialog with its template save, zoom, split, colour and font.
#include "TestFiles.h"
#include "TestMain.h"
#include "app/Settings.h"
#include "files/FileCommands.h"
#include "files/GraphFile.h"
#include "graph/Uannoedit.h"
#include "graph/Ugraph.h"
#include "graph/Usetupscale.h"
#include "graph/chart/ChartCustomizeDialog.h"
#include "link/NoMeter.h"
#include "link/Transport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace {
constexpr double T0 = 46000.25;
constexpr double Sec = 1.0 / 86400.0;

void mouse(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                         ? Qt::NoButton
                                         : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void click(chart::Chart& c, QPoint at) {
    mouse(c.plot(), QEvent::MouseButtonPress, at);
    mouse(c.plot(), QEvent::MouseButtonRelease, at);
}

void doubleClick(chart::Chart& c, QPoint at) {
    click(c, at);
    mouse(c.plot(), QEvent::MouseButtonDblClick, at);
    mouse(c.plot(), QEvent::MouseButtonRelease, at);
}

// A shown main window with graph windows in its MDI area, each charting ten samples.
struct ToolsFixture {
    NoMeter meter;
    TestMain t{meter};
    QTemporaryDir templateRoot; // the program's folder
    QTemporaryDir userRoot;     // the user's data folder

    ToolsFixture() {
        t.main->resize(1400, 900);
        t.main->show();
        TfrmGraph::templateFolder = templateRoot.path();
        TfrmGraph::userTemplateFolder = userRoot.path();
    }
    ~ToolsFixture() {
        TfrmGraph::templateFolder.clear();
        TfrmGraph::userTemplateFolder.clear();
    }

    TfrmGraph* newGraph(const QString& caption = QStringLiteral("run.ghf")) {
        auto* g = new TfrmGraph(*t.main);
        g->setWindowTitle(caption);
        QMdiSubWindow* frame = t.main->addChild(g);
        frame->resize(1200, 700);
        g->ConfigureGraph(10, T0, T0 + 20 * Sec);
        for (int p = 0; p < 10; ++p)
            g->setSample(p, T0 + 2 * p * Sec, 400 + 100 * p, 40 + p, 20);
        g->redrawChart();
        QTest::qWait(10);
        return g;
    }
    AppState& st() { return t.main->state(); }
    ScriptedDialogs& dialogs() { return t.dialogs; }
    // The template the dialogs write: the user's.
    QString templateFile() const { return userRoot.filePath("template/graph.ghf"); }
    QString programTemplateFile() const { return templateRoot.filePath("template/graph.ghf"); }
};

// Every annotation the chart holds that draws something.
int visibleMarks(const chart::Chart& c) {
    int n = 0;
    for (const chart::GraphAnnotation& a : c.state().graphAnnotations)
        if (a.type == chart::AnnotationCross || !a.text.isEmpty()) ++n;
    return n;
}
} // namespace

// --- Marks ---------------------------------------------------------------------------------------

TEST(GraphTools, CrossPointerCrossesFifteenPixelsFromItsHotSpot) {
    const QCursor cursor = TfrmGraph::crossPointer();
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    // Both lines of the X run through 15, 15 and its diagonal neighbours.
    for (QPoint p :
         {QPoint(15, 15), QPoint(14, 14), QPoint(16, 16), QPoint(14, 16), QPoint(16, 14)})
        EXPECT_EQ(image.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
    // Beside the crossing there is only the white edge or nothing.
    for (QPoint p : {QPoint(15, 13), QPoint(13, 15), QPoint(17, 15), QPoint(15, 17)})
        EXPECT_NE(image.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

TEST(GraphTools, ToolButtonsSetTheModeAndThePointer) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    QWidget* plot = g.PESGraph1->plot();
    g.ToolButton5->click();
    EXPECT_EQ(f.st().ToolMode, 2);
    EXPECT_EQ(plot->cursor().hotSpot(), QPoint(0, 0));
    EXPECT_EQ(plot->cursor().pixmap().size(), QSize(32, 32));
    g.ToolButton9->click();
    EXPECT_EQ(f.st().ToolMode, 0);
    EXPECT_FALSE(g.ToolButton5->isChecked());
    g.ToolButton4->click();
    EXPECT_EQ(f.st().ToolMode, -99);
    EXPECT_EQ(plot->cursor().shape(), Qt::ArrowCursor);
}

// Each row: tool, where the pointer is relative to the plotting area, and whether a mark is
// placed; the mark lands at the pointer shifted by 15, 15 (cross) or 1, 7 (text).
TEST(GraphTools, ClickPlacesAMarkAtTheShiftedPointerInsideThePlottingAreaOnly) {
    struct Case {
        const char* name;
        int mode;
        QPoint shift;
        char edge;      // pointer placed so that the shifted point is at the right ('r') or
                        // bottom ('b') edge, or 0: in the middle
        int beyondEdge; // 0: the shifted point is on the edge; 1: one pixel past it
        bool placed;
    };
    const Case cases[] = {
        {"cross in the middle", 2, {15, 15}, 0, 0, true},
        {"text in the middle", 0, {1, 7}, 0, 0, true},
        {"cross shifted onto the right edge", 2, {15, 15}, 'r', 0, true},
        {"cross shifted past the right edge", 2, {15, 15}, 'r', 1, false},
        {"cross shifted past the bottom edge", 2, {15, 15}, 'b', 1, false},
        {"text shifted onto the bottom edge", 0, {1, 7}, 'b', 0, true},
        {"text shifted past the bottom edge", 0, {1, 7}, 'b', 1, false},
        {"normal tool", -99, {0, 0}, 0, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ToolsFixture f;
        TfrmGraph& g = *f.newGraph();
        chart::Chart& c = *g.PESGraph1;
        if (k.mode == 2) g.ToolButton5Click();
        if (k.mode == 0) g.ToolButton9Click();
        if (k.mode == -99) g.ToolButton4Click();
        f.dialogs().dialogAnswers.push_back([](QDialog& d) {
            auto* edit = dynamic_cast<TfrmAnnoEdit*>(&d);
            if (!edit) return int(QDialog::Rejected);
            edit->Edit1->setText(QStringLiteral("peak"));
            return int(QDialog::Accepted);
        });
        const QRect area = c.plottingRect();
        ASSERT_TRUE(area.isValid());
        QPoint pointer = area.center();
        if (k.edge == 'r') pointer.setX(area.right() + 1 + k.beyondEdge - k.shift.x());
        if (k.edge == 'b') pointer.setY(area.bottom() + 1 + k.beyondEdge - k.shift.y());
        ASSERT_TRUE(area.contains(pointer));
        const int before = f.st().AnnotationIndex;
        click(c, pointer);
        if (!k.placed) {
            EXPECT_EQ(f.st().AnnotationIndex, before);
            EXPECT_EQ(visibleMarks(c), 0);
            continue;
        }
        ASSERT_EQ(f.st().AnnotationIndex, before + 1);
        const chart::GraphAnnotation a = c.graphAnnotation(before + 1);
        const QPointF xy = c.pixelToData(pointer + k.shift);
        EXPECT_EQ(a.type, k.mode == 2 ? chart::AnnotationCross : chart::AnnotationText);
        EXPECT_DOUBLE_EQ(a.x, xy.x());
        EXPECT_DOUBLE_EQ(a.y, xy.y());
        EXPECT_EQ(a.text, k.mode == 2 ? QString() : QStringLiteral("peak"));
        EXPECT_EQ(QColor::fromRgba(a.color), QColor(Qt::black)); // AnnoColor 0
        // The mark is drawn where the crossing point of the pointer was.
        EXPECT_LE((c.dataToPixel(a.x, a.y) - (pointer + k.shift)).manhattanLength(), 1);
    }
}

TEST(GraphTools, TextDialogCancelPlacesNothing) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    g.ToolButton9Click();
    click(*g.PESGraph1, g.PESGraph1->plottingRect().center());
    ASSERT_EQ(f.dialogs().dialogsShown.size(), 1u); // the text box was asked, and cancelled
    EXPECT_EQ(f.st().AnnotationIndex, 3);
    EXPECT_EQ(visibleMarks(*g.PESGraph1), 0);
}

TEST(GraphTools, OneIndexForAllWindowsAndDeletingKeepsIt) {
    ToolsFixture f;
    TfrmGraph& a = *f.newGraph(QStringLiteral("a.ghf"));
    TfrmGraph& b = *f.newGraph(QStringLiteral("b.ghf"));
    a.ToolButton5Click();
    const QPoint p = a.PESGraph1->plottingRect().center();
    click(*a.PESGraph1, p);
    click(*a.PESGraph1, p + QPoint(60, 0));
    b.ToolButton5Click();
    click(*b.PESGraph1, b.PESGraph1->plottingRect().center());
    EXPECT_EQ(f.st().AnnotationIndex, 6);
    EXPECT_EQ(a.PESGraph1->graphAnnotation(4).type, chart::AnnotationCross);
    EXPECT_EQ(a.PESGraph1->graphAnnotation(5).type, chart::AnnotationCross);
    EXPECT_EQ(b.PESGraph1->graphAnnotation(6).type, chart::AnnotationCross);
    EXPECT_EQ(visibleMarks(*b.PESGraph1), 1);

    // Over a mark the hint tells how to delete it; a single click leaves it, a double click
    // (with the normal tool, so no new mark comes first) deletes it.
    chart::Chart& c = *a.PESGraph1;
    a.ToolButton4Click();
    const chart::GraphAnnotation mark = c.graphAnnotation(5);
    const QPoint at = c.dataToPixel(mark.x, mark.y);
    mouse(c.plot(), QEvent::MouseMove, at);
    EXPECT_EQ(c.hint(), QStringLiteral("Double click to delete."));
    click(c, at);
    EXPECT_EQ(c.graphAnnotation(5).type, chart::AnnotationCross);
    doubleClick(c, at);
    const chart::GraphAnnotation gone = c.graphAnnotation(5);
    EXPECT_EQ(gone.type, chart::AnnotationText);
    EXPECT_TRUE(gone.text.isEmpty());
    EXPECT_DOUBLE_EQ(gone.x, mark.x);
    EXPECT_DOUBLE_EQ(gone.y, mark.y);
    EXPECT_EQ(visibleMarks(c), 1);

    // The deleted index is not reused.
    a.ToolButton5Click();
    click(c, p + QPoint(-80, 20));
    EXPECT_EQ(f.st().AnnotationIndex, 7);
    EXPECT_EQ(c.graphAnnotation(7).type, chart::AnnotationCross);
}

TEST(GraphTools, AnnotationColourRecoloursEveryMarkAndIsKeptForTheNextStart) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    chart::Chart& c = *g.PESGraph1;
    g.ToolButton5Click();
    click(c, c.plottingRect().center());
    g.PESGraph1DataHotSpot(false, 3, 0); // the data point marker, index 2, black

    // Cancel changes nothing.
    g.ToolButton15Click();
    EXPECT_EQ(QColor::fromRgba(c.graphAnnotation(4).color), QColor(Qt::black));
    EXPECT_EQ(f.st().AnnoColor, 0);

    const QColor green(0, 200, 0);
    f.dialogs().colorAnswers.push_back(green);
    g.ToolButton15Click();
    EXPECT_EQ(QColor::fromRgba(c.graphAnnotation(2).color), green);
    EXPECT_EQ(QColor::fromRgba(c.graphAnnotation(4).color), green);
    EXPECT_EQ(f.st().AnnoColor, 0x00C800); // 0xBBGGRR
    EXPECT_EQ(g.annotationColor, green);

    click(c, c.plottingRect().center() + QPoint(40, 0));
    EXPECT_EQ(QColor::fromRgba(c.graphAnnotation(5).color), green);

    const QColor blue(0, 0, 255);
    f.dialogs().colorAnswers.push_back(blue);
    g.ToolButton15Click();
    EXPECT_EQ(f.st().AnnoColor, 0xFF0000);
    ASSERT_TRUE(f.t.main->close());
    EXPECT_EQ(Settings(f.t.settingsFile()).readInt("AnnoColor", 0), 0xFF0000);
}

// --- Y axis --------------------------------------------------------------------------------------

TEST(GraphTools, ScaleDialogShowsTruncatedLimitsAndSetsBothAxes) {
    struct Case {
        const char* name;
        double ppmMin, ppmMax, rhMin, rhMax;
        const char* shown[4]; // ppm MIN, ppm MAX, RH MIN, RH MAX
    };
    const Case cases[] = {
        {"as configured", 0, 10000, -50, 100, {"0", "10000", "-50", "100"}},
        {"fractions truncate toward zero", 0.5, 99.9, -0.7, -49.5, {"0", "99", "0", "-49"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ToolsFixture f;
        TfrmGraph& g = *f.newGraph();
        chart::Chart& c = *g.PESGraph1;
        c.setWorkingAxis(0);
        c.setManualMinY(k.ppmMin);
        c.setManualMaxY(k.ppmMax);
        c.setWorkingAxis(1);
        c.setManualMinY(k.rhMin);
        c.setManualMaxY(k.rhMax);
        QStringList shown;
        f.dialogs().dialogAnswers.push_back([&](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupScale&>(d);
            shown << s.edtppmMin->text() << s.edtppmMax->text() << s.edtRHMin->text()
                  << s.edtRHMax->text();
            EXPECT_FALSE(s.chkSave->isChecked());
            // A minimum above its maximum is taken as it is.
            s.edtppmMin->setText("5000");
            s.edtppmMax->setText("100");
            s.edtRHMin->setText(" -20");
            s.edtRHMax->setText("80");
            return int(QDialog::Accepted);
        });
        g.btnChangeScaleClick();
        EXPECT_EQ(shown, QStringList({k.shown[0], k.shown[1], k.shown[2], k.shown[3]}));
        EXPECT_EQ(f.dialogs().dialogsShown.back(),
                  QStringLiteral("Y Axis Maximum And Minimum Scale Setup"));
        EXPECT_TRUE(f.dialogs().messages.empty());
        EXPECT_EQ(c.workingAxis(), 0);
        EXPECT_EQ(c.manualMinY(), 5000);
        EXPECT_EQ(c.manualMaxY(), 100);
        c.setWorkingAxis(1);
        EXPECT_EQ(c.manualMinY(), -20);
        EXPECT_EQ(c.manualMaxY(), 80);
        EXPECT_FALSE(QFile::exists(f.templateFile()));
    }
}

TEST(GraphTools, ScaleDialogReportsTheLastBadBoxAndChangesNothing) {
    struct Case {
        const char* name;
        const char* ppmMin;
        const char* ppmMax;
        const char* rhMin;
        const char* rhMax;
        const char* message; // empty: accepted
    };
    const Case cases[] = {
        {"12.5 and abc: abc is the last", "0", "10000", "abc", "12.5", "abc is invalid."},
        {"only the ppm maximum", "0", "1e4", "-50", "100", "1e4 is invalid."},
        {"empty box", "", "10000", "-50", "100", " is invalid."},
        {"beyond a 32-bit integer", "0", "99999999999", "-50", "100", "99999999999 is invalid."},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ToolsFixture f;
        TfrmGraph& g = *f.newGraph();
        chart::Chart& c = *g.PESGraph1;
        f.dialogs().dialogAnswers.push_back([&](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupScale&>(d);
            s.edtppmMin->setText(k.ppmMin);
            s.edtppmMax->setText(k.ppmMax);
            s.edtRHMin->setText(k.rhMin);
            s.edtRHMax->setText(k.rhMax);
            s.chkSave->setChecked(true);
            return int(QDialog::Accepted);
        });
        QDir().mkpath(f.templateRoot.filePath("template"));
        g.btnChangeScaleClick();
        EXPECT_EQ(f.dialogs().lastMessage(), QString::fromUtf8(k.message));
        c.setWorkingAxis(0);
        EXPECT_EQ(c.manualMinY(), 0);
        EXPECT_EQ(c.manualMaxY(), 10000);
        c.setWorkingAxis(1);
        EXPECT_EQ(c.manualMinY(), -50);
        EXPECT_EQ(c.manualMaxY(), 100);
        EXPECT_FALSE(QFile::exists(f.templateFile())); // nothing saved
    }
}

TEST(GraphTools, ScaleDialogCancelChangesNothing) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    f.dialogs().dialogAnswers.push_back([](QDialog& d) {
        dynamic_cast<TfrmSetupScale&>(d).edtppmMax->setText("500");
        return int(QDialog::Rejected);
    });
    g.btnChangeScaleClick();
    g.PESGraph1->setWorkingAxis(0);
    EXPECT_EQ(g.PESGraph1->manualMaxY(), 10000);
    EXPECT_TRUE(f.dialogs().messages.empty());
}

TEST(GraphTools, SavedScaleBecomesTheTemplateOfTheNextChart) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    QDir().mkpath(f.templateRoot.filePath("template"));
    f.dialogs().dialogAnswers.push_back([](QDialog& d) {
        auto& s = dynamic_cast<TfrmSetupScale&>(d);
        s.edtppmMax->setText("3000");
        s.edtRHMin->setText("-10");
        s.chkSave->setChecked(true);
        return int(QDialog::Accepted);
    });
    g.btnChangeScaleClick();
    ASSERT_TRUE(QFile::exists(f.templateFile()));
    const GraphFile::ReadResult file = GraphFile::read(f.templateFile());
    ASSERT_TRUE(file.ok());
    chart::Chart loaded;
    ASSERT_TRUE(loaded.loadState(
        std::span(reinterpret_cast<const uint8_t*>(file.block.data()), size_t(file.block.size()))));
    loaded.setWorkingAxis(0);
    EXPECT_EQ(loaded.manualMaxY(), 3000);
    loaded.setWorkingAxis(1);
    EXPECT_EQ(loaded.manualMinY(), -10);
}

// "Save this setting" writes the user's own template, making its folder, and never the one
// beside the program (often not the user's to write). A user folder that cannot be made shows
// the file error and keeps the new scale.
TEST(GraphTools, TemplateIsSavedForTheUserAndAFailureShowsTheFileError) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    QDir().mkpath(f.templateRoot.filePath("template"));
    auto saveScale = [&](const char* ppmMax) {
        f.dialogs().dialogAnswers.push_back([=](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupScale&>(d);
            s.edtppmMax->setText(ppmMax);
            s.chkSave->setChecked(true);
            return int(QDialog::Accepted);
        });
        g.btnChangeScaleClick();
    };
    saveScale("2000");
    EXPECT_TRUE(f.dialogs().messages.empty()) << f.dialogs().lastMessage().toStdString();
    EXPECT_TRUE(QFile::exists(f.templateFile()));
    EXPECT_FALSE(QFile::exists(f.programTemplateFile()));

    // The user's data folder is a plain file: no template folder can be made in it.
    ASSERT_TRUE(writeBytes(f.userRoot.filePath("blocked"), "x"));
    TfrmGraph::userTemplateFolder = f.userRoot.filePath("blocked");
    saveScale("2500");
    ASSERT_EQ(f.dialogs().messages.size(), 1u);
    EXPECT_TRUE(
        f.dialogs().lastMessage().contains(f.userRoot.filePath("blocked/template/graph.ghf")))
        << f.dialogs().lastMessage().toStdString();
    g.PESGraph1->setWorkingAxis(0);
    EXPECT_EQ(g.PESGraph1->manualMaxY(), 2500);
}

// A new chart takes the user's template when there is one, else the program's.
TEST(GraphTools, UserTemplateIsReadBeforeTheProgramsOne) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    auto writeTemplate = [&](const QString& file, const char* title) {
        QDir().mkpath(QFileInfo(file).path());
        g.PESGraph1->setMainTitle(QString::fromUtf8(title));
        ASSERT_TRUE(f.t.main->fileCommands().WriteGraphFile(*g.PESGraph1, file));
    };
    writeTemplate(f.programTemplateFile(), "program");
    EXPECT_EQ(f.newGraph()->PESGraph1->state().mainTitle, "program");
    writeTemplate(f.templateFile(), "user");
    EXPECT_EQ(f.newGraph()->PESGraph1->state().mainTitle, "user");
    QFile::remove(f.templateFile());
    EXPECT_EQ(f.newGraph()->PESGraph1->state().mainTitle, "program");
}

// --- Zoom and customisation ----------------------------------------------------------------------

TEST(GraphTools, WheelZoomEnablesUndoZoomAndUndoGoesBackToTheScale) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    chart::Chart& c = *g.PESGraph1;
    const QPoint at = c.plot()->axisRect(0)->rect().center();
    QWheelEvent wheel(at, c.plot()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(c.plot(), &wheel);
    EXPECT_TRUE(g.UndoZoom->isEnabled());
    QCPAxis* x = c.plot()->axisRect(0)->axis(QCPAxis::atBottom);
    EXPECT_LT(x->range().size(), 20 * Sec * 0.99);
    g.UndoZoom->click();
    EXPECT_FALSE(g.UndoZoom->isEnabled());
    EXPECT_DOUBLE_EQ(x->range().lower, T0);
    EXPECT_DOUBLE_EQ(x->range().upper, T0 + 20 * Sec);
}

TEST(GraphTools, GraphOptionKeepsTheTimeRangeUndoesTheZoomAndOffersTheTemplate) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    chart::Chart& c = *g.PESGraph1;
    QDir().mkpath(f.templateRoot.filePath("template"));
    g.PESGraph1ZoomIn();
    c.plot()->axisRect(0)->axis(QCPAxis::atBottom)->setRange(T0 + 3 * Sec, T0 + 5 * Sec);
    // The dialog changes the title and, as far as it could, the time range.
    f.dialogs().dialogAnswers.push_back([&](QDialog& d) {
        auto& dlg = dynamic_cast<chart::ChartCustomizeDialog&>(d);
        EXPECT_FALSE(c.state().allowAxisPage);
        dlg.mainTitleEdit()->setText(QStringLiteral("Office"));
        c.setManualMinX(T0 - 1);
        c.setManualMaxX(T0 + 1);
        return int(QDialog::Accepted);
    });
    f.dialogs().messageAnswers.push_back(QMessageBox::Yes);
    g.Button1->click();
    ASSERT_EQ(f.dialogs().messages.size(), 1u);
    EXPECT_EQ(f.dialogs().messages[0].text, QStringLiteral("Do you want to save the changes ?"));
    EXPECT_EQ(f.dialogs().messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(QFile::exists(f.templateFile()));
    EXPECT_EQ(c.state().mainTitle, QStringLiteral("Office"));
    EXPECT_TRUE(c.manualScaleX());
    EXPECT_DOUBLE_EQ(c.manualMinX(), T0);
    EXPECT_DOUBLE_EQ(c.manualMaxX(), T0 + 20 * Sec);
    EXPECT_FALSE(g.UndoZoom->isEnabled());
    EXPECT_FALSE(c.isZoomed());
    const QCPRange shown = c.plot()->axisRect(0)->axis(QCPAxis::atBottom)->range();
    EXPECT_DOUBLE_EQ(shown.lower, T0);
    EXPECT_DOUBLE_EQ(shown.upper, T0 + 20 * Sec);

    // Closed without a change, or cancelled: nothing is asked.
    f.dialogs().dialogAnswers.push_back([](QDialog&) { return int(QDialog::Accepted); });
    g.Button1Click();
    g.Button1Click();
    EXPECT_EQ(f.dialogs().messages.size(), 1u);
}

TEST(GraphTools, GraphOptionLeavesAnAutomaticTimeScaleAutomatic) {
    // A chart configured with X minimum 0 has no time range of its own to put back.
    ToolsFixture f;
    auto* window = new TfrmGraph(*f.t.main);
    f.t.main->addChild(window)->resize(1000, 600);
    TfrmGraph& g = *window;
    chart::Chart& c = *g.PESGraph1;
    TfrmGraph::ConfigureGraph(c, 3, 10, 0, 0, 0, 10000, -50, 100);
    for (int p = 0; p < 10; ++p)
        g.setSample(p, T0 + 2 * p * Sec, 500, 50, 20);
    c.redraw();
    ASSERT_FALSE(c.manualScaleX());
    g.Button1Click();
    EXPECT_FALSE(c.manualScaleX());
    const QCPRange shown = c.plot()->axisRect(0)->axis(QCPAxis::atBottom)->range();
    EXPECT_DOUBLE_EQ(shown.lower, T0);
    EXPECT_DOUBLE_EQ(shown.upper, T0 + 18 * Sec);
}

TEST(GraphTools, ChangesSavedAnswerNoWritesNothing) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    QDir().mkpath(f.templateRoot.filePath("template"));
    f.dialogs().dialogAnswers.push_back([](QDialog& d) {
        dynamic_cast<chart::ChartCustomizeDialog&>(d).mainTitleEdit()->setText("x");
        return int(QDialog::Accepted);
    });
    f.dialogs().messageAnswers.push_back(QMessageBox::No);
    g.Button1Click();
    EXPECT_EQ(f.dialogs().messages.size(), 1u);
    EXPECT_FALSE(QFile::exists(f.templateFile()));
}

// --- Layout, colour, font ------------------------------------------------------------------------

TEST(GraphTools, SplitSwitchesBetweenStackedAxesAndOneAxis) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    chart::Chart& c = *g.PESGraph1;
    ASSERT_EQ(c.plot()->axisRects().size(), 2);

    g.chkSplit->setChecked(false);
    EXPECT_EQ(c.multiAxesCount(), 0);
    EXPECT_EQ(c.plot()->axisRects().size(), 1);
    for (QCPGraph* graph : {c.plot()->graph(0), c.plot()->graph(1), c.plot()->graph(2)})
        EXPECT_EQ(graph->valueAxis(), c.plot()->axisRect(0)->axis(QCPAxis::atLeft));

    g.ToolButton5Click();
    g.chkSplit->setChecked(true);
    EXPECT_EQ(c.multiAxesCount(), 3);
    EXPECT_EQ(c.multiAxesSubsets(0), 1);
    EXPECT_EQ(c.multiAxesSubsets(1), 2);
    EXPECT_EQ(c.multiAxesSubsets(2), 2);
    EXPECT_DOUBLE_EQ(c.multiAxesProportions(0), 0.2);
    EXPECT_DOUBLE_EQ(c.multiAxesProportions(1), 0.4);
    EXPECT_DOUBLE_EQ(c.multiAxesProportions(2), 0.4);
    ASSERT_EQ(c.plot()->axisRects().size(), 2); // the third entry covers no subset
    EXPECT_EQ(c.plot()->graph(0)->valueAxis(), c.plot()->axisRect(0)->axis(QCPAxis::atLeft));
    EXPECT_EQ(c.plot()->graph(2)->valueAxis(), c.plot()->axisRect(1)->axis(QCPAxis::atLeft));
    EXPECT_EQ(f.st().ToolMode, -99);
    EXPECT_TRUE(g.ToolButton4->isChecked());
    EXPECT_EQ(c.plot()->cursor().shape(), Qt::ArrowCursor);
}

TEST(GraphTools, ColourAndMonochrome) {
    // Both buttons are hidden (and so disabled by their tool bar); only the handler runs them.
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    g.ToolButton7->setChecked(true);
    g.ToolButton7Click();
    EXPECT_FALSE(g.ToolButton6->isChecked());
    EXPECT_EQ(g.PESGraph1->viewingStyle(), chart::ViewingStyle::Monochrome);
    EXPECT_EQ(g.PESGraph1->plot()->graph(0)->pen().color(), QColor(Qt::black));
    g.ToolButton6->setChecked(true);
    g.ToolButton7Click();
    EXPECT_EQ(g.PESGraph1->viewingStyle(), chart::ViewingStyle::Color);
    EXPECT_EQ(g.PESGraph1->plot()->graph(0)->pen().color(), QColor(Qt::yellow));
}

TEST(GraphTools, FontOfBothStatisticPanels) {
    ToolsFixture f;
    TfrmGraph& g = *f.newGraph();
    g.UpdateStatistics();
    const QFont before = g.txtppmMax->font();
    g.Button3Click(); // cancelled
    EXPECT_EQ(g.txtppmMax->font(), before);

    QFont big(QStringLiteral("DejaVu Serif"));
    big.setPixelSize(17);
    big.setBold(true);
    f.dialogs().fontAnswers.push_back(big);
    g.Button3Click();
    for (QWidget* w : {static_cast<QWidget*>(g.txtppmMax), static_cast<QWidget*>(g.txtT1Avg),
                       static_cast<QWidget*>(g.txtStartTime), static_cast<QWidget*>(g.txtDataNo)}) {
        EXPECT_EQ(w->font().pixelSize(), 17);
        EXPECT_TRUE(w->font().bold());
    }
    EXPECT_NE(g.chkppm->font().pixelSize(), 17); // the tool bars keep theirs
    // The boxes grow with the font, so a maximum still shows whole.
    QTest::qWait(10);
    ASSERT_FALSE(g.txtppmMax->text().isEmpty());
    const QFontMetrics fm(g.txtppmMax->font());
    EXPECT_GT(g.txtppmMax->width(), fm.horizontalAdvance(g.txtppmMax->text()));
    EXPECT_GT(g.txtStartTime->width(), fm.horizontalAdvance(g.txtStartTime->text()));
}

TEST(GraphTools, FontDialogStartsWithTahomaThirteenPixels) {
    // A dialog service that records the font it was started with.
    struct RecordingDialogs : ScriptedDialogs {
        QFont started;
        QFont chooseFont(QWidget* parent, const QFont& initial, bool* ok) override {
            started = initial;
            return ScriptedDialogs::chooseFont(parent, initial, ok);
        }
    };
    NoMeter meter;
    RecordingDialogs dialogs;
    TestMain t(meter, dialogs);
    auto* g = new TfrmGraph(*t.main);
    t.main->addChild(g);
    g->Button3Click();
    EXPECT_EQ(dialogs.started.family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(dialogs.started.pixelSize(), 13);
    EXPECT_FALSE(dialogs.started.bold());
    EXPECT_FALSE(dialogs.started.italic());
}
