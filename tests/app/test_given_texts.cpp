// The program's own texts, each written out here letter for letter as the program must show
// it (typos and odd spacing included), beside the text the running program actually shows.
#include "TestMain.h"
#include "app/Uabout.h"
#include "app/Uscope.h"
#include "files/FileCommands.h"
#include "files/TextLines.h"
#include "files/Uopensave.h"
#include "graph/Ugraph.h"
#include "graph/Usetupscale.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "logger/DataLogger.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/Usetuprealtime.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
// Every caption a window shows: its title, labels, buttons, check boxes and group titles.
QStringList shownTexts(const QWidget& w) {
    QStringList texts{w.windowTitle()};
    for (const QLabel* l : w.findChildren<QLabel*>())
        texts << l->text();
    for (const QAbstractButton* b : w.findChildren<QAbstractButton*>())
        texts << b->text();
    for (const QGroupBox* g : w.findChildren<QGroupBox*>())
        texts << g->title();
    return texts;
}

QStringList menuItems(const QMenu* menu) {
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}
} // namespace

TEST(GivenTexts, AsTheProgramShowsThem) {
    NoMeter meter;
    TestMain t(meter, true);
    TfrmMain& m = *t.main;
    AppState& st = m.state();
    ScriptedDialogs& dialogs = t.dialogs;
    st.dataFolder = t.dir.path() + QLatin1Char('/');

    // Texts seen while the program runs: window texts and the texts of messages asked.
    QStringList aboutTexts, scopeTexts, setupTexts, scaleTexts, saveChoice, openChoice;
    QStringList messages;
    auto lastMessage = [&] {
        messages << dialogs.lastMessage();
        return dialogs.lastMessage();
    };

    {
        TfrmAbout about;
        aboutTexts = shownTexts(about);
        TfrmScope scope;
        scopeTexts = shownTexts(scope);
        TfrmOpenSave choice;
        saveChoice = shownTexts(choice);
    }
    dialogs.dialogAnswers.push_back([&](QDialog& d) {
        openChoice = shownTexts(d);
        return int(TfrmOpenSave::ResultCancel);
    });
    m.fileCommands().Open1Click();

    // The real-time window's messages: Clear, Run over samples, a rate change over samples.
    TfrmGraph* realTime = st.RealTimeGraph;
    ASSERT_NE(realTime, nullptr);
    dialogs.messageAnswers.push_back(QMessageBox::No);
    realTime->tbntClr->click();
    const QString clearQuestion = lastMessage();
    st.connected = true;
    st.SampleCount = 1;
    dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    m.realTime().btnRunClick();
    const QString runQuestion = lastMessage();
    dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    realTime->ComboBox2->setCurrentIndex(realTime->ComboBox2->currentIndex() + 1);
    m.realTime().ComboBox1Change();
    const QString rateQuestion = lastMessage();
    st.SampleCount = 0;
    dialogs.dialogAnswers.push_back([&](QDialog& d) {
        setupTexts = shownTexts(d);
        return int(QDialog::Rejected);
    });
    m.realTime().btnRunClick();
    st.connected = false;

    // The scale dialog of the graph window.
    dialogs.dialogAnswers.push_back([&](QDialog& d) {
        scaleTexts = shownTexts(d);
        return int(QDialog::Rejected);
    });
    realTime->btnChangeScaleClick();

    // The data logger window's close question; loading without a meter.
    auto* logger = new TfrmGraph(m);
    logger->setWindowTitle(TfrmGraph::DataLoggerCaption);
    st.DataLoggerGraph = logger;
    QMdiSubWindow* loggerFrame = m.addChild(logger);
    st.DataLoggerUnsaved = true;
    dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    loggerFrame->close();
    const QString loggerQuestion = lastMessage();
    m.dataLogger().LoadData1Click();
    const QString noConnection = lastMessage();

    struct Row {
        const char* where;
        QStringList shown;
        QStringList given;
    };
    const Row rows[] = {
        {"main window caption", {m.windowTitle()}, {"Q7320"}},
        {"menu bar",
         menuItems(m.menuBar()->actions().first()->menu()) /* File */,
         {"&Open", "&Save", "-", "&Print", "&Printer Setup", "-", "E&xit"}},
        {"menus",
         [&] {
             QStringList l;
             for (QAction* a : m.menuBar()->actions())
                 l << a->text();
             return l;
         }(),
         {"&File", "Real Time", "&Data Logger", "&View", "&Window", "&Help"}},
        {"Real Time menu", menuItems(m.menuRealTime), {"Run", "Stop"}},
        {"Data Logger menu", menuItems(m.menuDataLogger), {"&Load ", "&Setup"}},
        {"View menu", menuItems(m.menuView), {"&Control Panel", "Real Time &Graph"}},
        {"Window menu", menuItems(m.menuWindow).mid(0, 2), {"&Tile", "&Cascade"}},
        {"Help menu", menuItems(m.menuHelp), {"&Contents", "-", "&About"}},
        {"tool button hints",
         {m.SpeedButton1->toolTip(), m.SpeedButton2->toolTip(), m.btnPrint->toolTip(),
          m.btnDataLogger->toolTip(), m.btnOutputToGraph->toolTip(), m.btnRun->toolTip(),
          m.btnStop->toolTip(), m.SpeedButton8->toolTip()},
         {"Open File", "Save to file", "Print", "Data Logger", "Output Tabular to graph",
          "Start Graphing Real Time Data", "Stop Graphing Real Time Data", "Help"}},
        {"status at start", {m.statusText(1)}, {"Off Connection"}},
        {"about box", aboutTexts.filter("Software"), {"CARBON DIOXIDE METER Software"}},
        {"about box version", {aboutTexts.filter("Version:").value(0).left(8)}, {"Version:"}},
        {"range and progress window",
         scopeTexts.filter(QRegularExpression("^(Print|bytes|total)")),
         {"Print Range", "bytes received", "total bytes"}},
        {"range buttons", scopeTexts.filter("&"), {"&from", "&to", "&All", "&Select"}},
        {"save choice",
         saveChoice.mid(1, 2),
         {"Save all data sets to a data set collection file(*.732)",
          "Save single selected  data set to a  file"}},
        {"open choice", openChoice.mid(0, 1), {"Open File"}},
        {"open choice buttons",
         openChoice.filter("Open "),
         {"Open File", "Open a data set collection file(*.732)",
          FileCommands::commaDecimal() ? "Open single data flle(*.TXT,*.GHF)"
                                       : "Open single data file(*.TXT,*.CSV,*.GHF)"}},
        {"chart filter, decimal point",
         {TextLines::chartFilter(false)},
         {"Graph file(*.ghf,only for Q7320)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
          "EXCEL file format(*.CSV,seperated by comma)|*.CSV"}},
        {"chart filter, decimal comma",
         {TextLines::chartFilter(true)},
         {"Graph file(*.ghf,only for Q7320)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"}},
        {"collection filters",
         {TextLines::collectionSaveFilter(), TextLines::collectionOpenFilter()},
         {"Data Set Collection file(*.732,only for Q7320)|*.732",
          "Data Sets Collection (*.732)|*.732"}},
        {"graph window captions",
         {realTime->windowTitle(), logger->windowTitle()},
         {"Real-Time Graph", "DataLogger"}},
        {"graph window buttons",
         {realTime->tbntClr->text(), realTime->UndoZoom->text(), realTime->chkSplit->text(),
          realTime->Button1->text(), realTime->btnChangeScale->text(), realTime->Button3->text(),
          realTime->Button2->text()},
         {"Clear", "Undo Zoom", "Split", "Graph Option", "Y Axis", "Font",
          "Show MAX/MIN on Graph"}},
        {"graph window hints",
         {realTime->ToolButton1->toolTip(), realTime->ToolButton2->toolTip(),
          realTime->ToolButton4->toolTip(), realTime->ToolButton5->toolTip(),
          realTime->ToolButton9->toolTip(), realTime->ToolButton15->toolTip(),
          realTime->Button1->toolTip(), realTime->btnChangeScale->toolTip()},
         {"Toggle Graph Statistic", "Toggle Line Cursor Statistic", "Normal Cursor",
          "Draw A Cross On Graph", "Text", "Set Annotation Color", "Graph Customization",
          "set the maximum and minimum extent of the left y axis."}},
        {"real-time setup dialog", setupTexts.mid(0, 1), {"Real-Time Setup"}},
        {"real-time setup labels",
         setupTexts.mid(1).filter(
             QRegularExpression("^(Real|\\(Adjust|mm:ss|Recording|HH:MM|Start|Cancel)")),
         {"Real-Time data no to be recorded", "(Adjust the number to meet your need)",
          "Real -Time Sampling Rate", "mm:ss", "Recording Period", "HH:MM:SS", "Start", "Cancel"}},
        {"scale dialog", scaleTexts.mid(0, 1), {"Y Axis Maximum And Minimum Scale Setup"}},
        {"scale dialog texts",
         scaleTexts.filter(QRegularExpression("^(Save|ppm|RH|MIN|MAX)")),
         {"MIN", "MAX", "MIN", "MAX", "Save this setting ", "ppm", "RH /Temp."}},
        {"Clear's question", {clearQuestion}, {"Save Real-Time Graph ?"}},
        {"Run over samples",
         {runQuestion},
         {"There are datas in Real_Time graph ,it have to reset the graph.\n"
          "Do you want to save the Real-Time graph ?"}},
        {"rate change over samples",
         {rateQuestion},
         {"Sampling Rate is being changed and it is recording Real-Time data or there are data "
          "in Real_Time graph.If you want to make new sampling rate effective,it have to reset "
          "the graph.\nDo you want to save the Real-Time graph ?"}},
        {"data logger window closing", {loggerQuestion}, {"Save DataLogger Data ?"}},
        {"loading without a meter", {noConnection}, {"There is no connection with meter !"}},
    };
    // One text a line, so a difference reads as text.
    for (const Row& r : rows)
        EXPECT_EQ(r.shown.join('\n').toStdString(), r.given.join('\n').toStdString()) << r.where;
}
