#include "setup/Usetup.h"

#include "app/AppState.h"
#include "app/DialogService.h"
#include "app/NumberText.h"
#include "app/Umain.h"
#include "link/Clock.h"
#include "link/Transport.h"
#include "setup/MeterInfo.h"
#include "setup/MeterSetup.h"
#include "setup/SetupFrames.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QColor OkColor(0x00, 0x80, 0x00);   // 0x008000
const QColor FailColor(0xFF, 0x00, 0x00); // 0x0000FF as 0xBBGGRR

QChar decimalPoint() {
    return QLatin1Char(NumberText::decimalSeparator());
}

void keepRoomWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

// A small picture of a temperature unit sign, drawn here.
QLabel* unitPicture(QWidget* parent, const QString& name, const QString& unit) {
    QPixmap pm(26, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.4));
    p.drawEllipse(QRectF(2, 2, 5, 5));
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(9, 0, 17, 18), Qt::AlignCenter, unit);
    p.end();
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(pm);
    l->setFixedSize(pm.size());
    keepRoomWhenHidden(l); // shown after a read; the window keeps its size
    l->hide();
    return l;
}

// Holds the exchange interlock for one scope; nested scopes only count.
class Interlock {
  public:
    explicit Interlock(Exchange& ex) : m_ex(ex), m_held(ex.acquire()) {}
    ~Interlock() {
        if (m_held) m_ex.release();
    }
    bool held() const { return m_held; }

  private:
    Exchange& m_ex;
    bool m_held;
};
} // namespace

TfrmSetup::TfrmSetup(TfrmMain& main)
    : QWidget(&main, Qt::Window | Qt::WindowStaysOnTopHint), m_main(main),
      m_unit(main.meterSetup().unit()) {
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    buildControls();
    move(120, 66);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfrmSetup::Timer1Timer);
    Timer1->start();
}

TfrmSetup::~TfrmSetup() {
    hourglass(false);
}

void TfrmSetup::buildControls() {
    auto label = [](QWidget* parent, const QString& text) { return new QLabel(text, parent); };
    auto edit = [](QWidget* parent, const QString& name, const QString& text, int width) {
        auto* e = new QLineEdit(text, parent);
        e->setObjectName(name);
        e->setFixedWidth(width);
        return e;
    };
    auto button = [this](QWidget* parent, const QString& name, const QString& text,
                         void (TfrmSetup::*handler)()) {
        auto* b = new QPushButton(text, parent);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    auto result = [](QWidget* parent, const QString& name) {
        auto* l = new QLabel(parent);
        l->setObjectName(name);
        // Room for the longest result from the start, so the window does not grow and move
        // as results appear.
        l->setMinimumWidth(
            std::max(90, l->fontMetrics().horizontalAdvance(QStringLiteral("Fail code=9004")) + 6));
        keepRoomWhenHidden(l);
        l->hide();
        return l;
    };
    auto display = [](QWidget* parent, const QString& name) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(name);
        e->setReadOnly(true);
        e->setFixedWidth(150);
        return e;
    };

    auto* left = new QVBoxLayout;

    // Recording interval
    GroupBoxInterval = new QGroupBox(QStringLiteral("Meter Recording Interval "), this);
    {
        auto* g = new QGridLayout(GroupBoxInterval);
        edtInt1 = edit(GroupBoxInterval, QStringLiteral("edtInt1"), {}, 32);
        edtInt2 = edit(GroupBoxInterval, QStringLiteral("edtInt2"), {}, 32);
        for (QLineEdit* e : {edtInt1, edtInt2})
            e->setInputMask(QStringLiteral("99;_"));
        edtInt1->setText(QStringLiteral("00"));
        edtInt2->setText(QStringLiteral("02"));
        auto* row = new QHBoxLayout;
        row->addWidget(edtInt1);
        row->addWidget(label(GroupBoxInterval, QStringLiteral(":")));
        row->addWidget(edtInt2);
        row->addWidget(label(GroupBoxInterval, QStringLiteral("mm:ss(00:01~59:59)")));
        row->addStretch();
        g->addLayout(row, 0, 0, 1, 2);
        Button2 =
            button(GroupBoxInterval, QStringLiteral("Button2"),
                   QStringLiteral("Adjust Meter Recording Interval "), &TfrmSetup::Button2Click);
        lblOK2 = result(GroupBoxInterval, QStringLiteral("lblOK2"));
        g->addWidget(Button2, 1, 0);
        g->addWidget(lblOK2, 1, 1);
    }
    left->addWidget(GroupBoxInterval);

    // Offsets
    GroupBoxOffset = new QGroupBox(QStringLiteral("offset "), this);
    {
        auto* g = new QGridLayout(GroupBoxOffset);
        edtRH_offset =
            edit(GroupBoxOffset, QStringLiteral("edtRH_offset"), QStringLiteral("0"), 60);
        g->addWidget(label(GroupBoxOffset, QStringLiteral("%RH")), 0, 0);
        g->addWidget(edtRH_offset, 0, 1);
        g->addWidget(label(GroupBoxOffset, QStringLiteral("10.0~-10.0")), 0, 2);
        Button7 = button(GroupBoxOffset, QStringLiteral("Button7"), QStringLiteral("setup"),
                         &TfrmSetup::Button7Click);
        lblOK6 = result(GroupBoxOffset, QStringLiteral("lblOK6"));
        g->addWidget(Button7, 0, 3);
        g->addWidget(lblOK6, 0, 4);

        edtT1_offset =
            edit(GroupBoxOffset, QStringLiteral("edtT1_offset"), QStringLiteral("0"), 60);
        imgC = unitPicture(GroupBoxOffset, QStringLiteral("imgC"), QStringLiteral("C"));
        imgF = unitPicture(GroupBoxOffset, QStringLiteral("imgF"), QStringLiteral("F"));
        auto* units = new QVBoxLayout;
        auto* cRow = new QHBoxLayout;
        cRow->addWidget(label(GroupBoxOffset, QStringLiteral("-5.0~5.0 ")));
        cRow->addWidget(imgC);
        auto* fRow = new QHBoxLayout;
        fRow->addWidget(label(GroupBoxOffset, QStringLiteral("-9.0~9.0 ")));
        fRow->addWidget(imgF);
        units->addLayout(cRow);
        units->addLayout(fRow);
        g->addWidget(label(GroupBoxOffset, QStringLiteral("Temp.")), 1, 0);
        g->addWidget(edtT1_offset, 1, 1);
        g->addLayout(units, 1, 2);
        Button12 = button(GroupBoxOffset, QStringLiteral("Button12"), QStringLiteral("setup"),
                          &TfrmSetup::Button12Click);
        Label24 = result(GroupBoxOffset, QStringLiteral("Label24"));
        g->addWidget(Button12, 1, 3);
        g->addWidget(Label24, 1, 4);

        edtppm_offset =
            edit(GroupBoxOffset, QStringLiteral("edtppm_offset"), QStringLiteral("0"), 60);
        g->addWidget(label(GroupBoxOffset, QStringLiteral("CO2")), 2, 0);
        g->addWidget(edtppm_offset, 2, 1);
        g->addWidget(label(GroupBoxOffset, QStringLiteral("400~-400")), 2, 2);
        Button13 = button(GroupBoxOffset, QStringLiteral("Button13"), QStringLiteral("setup"),
                          &TfrmSetup::Button13Click);
        Label28 = result(GroupBoxOffset, QStringLiteral("Label28"));
        g->addWidget(Button13, 2, 3);
        g->addWidget(Label28, 2, 4);
    }
    left->addWidget(GroupBoxOffset);

    // Altitude compensation
    GroupBoxAltitude = new QGroupBox(QStringLiteral("altitude compensation"), this);
    {
        auto* g = new QHBoxLayout(GroupBoxAltitude);
        edtalt_offset =
            edit(GroupBoxAltitude, QStringLiteral("edtalt_offset"), QStringLiteral("0"), 60);
        g->addWidget(label(GroupBoxAltitude, QStringLiteral("altitude")));
        g->addWidget(edtalt_offset);
        g->addWidget(label(GroupBoxAltitude, QStringLiteral("m")));
        g->addWidget(label(GroupBoxAltitude, QStringLiteral("0~3000")));
        Button14 = button(GroupBoxAltitude, QStringLiteral("Button14"), QStringLiteral("setup"),
                          &TfrmSetup::Button14Click);
        Label29 = result(GroupBoxAltitude, QStringLiteral("Label29"));
        g->addWidget(Button14);
        g->addWidget(Label29);
        g->addStretch();
    }
    left->addWidget(GroupBoxAltitude);

    // CO2 alarm
    GroupBoxAlarm = new QGroupBox(QStringLiteral("CO2 Alarm"), this);
    {
        auto* g = new QGridLayout(GroupBoxAlarm);
        ComboBox1 = new QComboBox(GroupBoxAlarm);
        ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
        ComboBox1->addItems({QStringLiteral("Off"), QStringLiteral("On")});
        ComboBox1->setCurrentIndex(0);
        connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
        Edit4 = edit(GroupBoxAlarm, QStringLiteral("Edit4"), {}, 60);
        Edit5 = edit(GroupBoxAlarm, QStringLiteral("Edit5"), {}, 60);
        keepRoomWhenHidden(Edit4); // shown and hidden with the alarm switch
        keepRoomWhenHidden(Edit5);
        g->addWidget(ComboBox1, 0, 0, 2, 1);
        g->addWidget(label(GroupBoxAlarm, QStringLiteral("Hi:")), 0, 1);
        g->addWidget(Edit4, 0, 2);
        g->addWidget(label(GroupBoxAlarm, QStringLiteral("0~40000")), 0, 3);
        g->addWidget(label(GroupBoxAlarm, QStringLiteral("Lo:")), 1, 1);
        g->addWidget(Edit5, 1, 2);
        g->addWidget(label(GroupBoxAlarm, QStringLiteral("0~40000")), 1, 3);
        Button11 = button(GroupBoxAlarm, QStringLiteral("Button11"), QStringLiteral("setup"),
                          &TfrmSetup::Button11Click);
        Label12 = result(GroupBoxAlarm, QStringLiteral("Label12"));
        g->addWidget(Button11, 0, 4);
        g->addWidget(Label12, 1, 4);
        ComboBox1Change();
    }
    left->addWidget(GroupBoxAlarm);

    // Auto power off
    GroupBoxPowerOff = new QGroupBox(QStringLiteral("auto power off"), this);
    {
        auto* g = new QHBoxLayout(GroupBoxPowerOff);
        ComboBox2 = new QComboBox(GroupBoxPowerOff);
        ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
        ComboBox2->addItems({QStringLiteral("Off"), QStringLiteral("10 minutes"),
                             QStringLiteral("30 minutes"), QStringLiteral("1 hour"),
                             QStringLiteral("2 hours"), QStringLiteral("4 hours"),
                             QStringLiteral("8 hours"), QString()});
        ComboBox2->setCurrentIndex(1);
        Button16 = button(GroupBoxPowerOff, QStringLiteral("Button16"), QStringLiteral("setup"),
                          &TfrmSetup::Button16Click);
        Label38 = result(GroupBoxPowerOff, QStringLiteral("Label38"));
        g->addWidget(ComboBox2);
        g->addWidget(Button16);
        g->addWidget(Label38);
        g->addStretch();
    }
    left->addWidget(GroupBoxPowerOff);

    // Clock and erase
    GroupBoxClock = new QGroupBox(QStringLiteral("Meter Clock"), this);
    {
        auto* g = new QHBoxLayout(GroupBoxClock);
        Button1 =
            button(GroupBoxClock, QStringLiteral("Button1"),
                   QStringLiteral("Adjust Meter Time To Computer Time"), &TfrmSetup::Button1Click);
        lblOK1 = result(GroupBoxClock, QStringLiteral("lblOK1"));
        g->addWidget(Button1);
        g->addWidget(lblOK1);
        g->addStretch();
    }
    left->addWidget(GroupBoxClock);

    GroupBoxErase = new QGroupBox(QStringLiteral("Erase Meter Memory"), this);
    {
        auto* g = new QHBoxLayout(GroupBoxErase);
        Button3 = button(GroupBoxErase, QStringLiteral("Button3"),
                         QStringLiteral("Erase Meter Memory"), &TfrmSetup::Button3Click);
        lblOK3 = result(GroupBoxErase, QStringLiteral("lblOK3"));
        g->addWidget(Button3);
        g->addWidget(lblOK3);
        g->addStretch();
    }
    left->addWidget(GroupBoxErase);

    Button6 = button(this, QStringLiteral("Button6"), QStringLiteral("Setup All"),
                     &TfrmSetup::Button6Click);
    left->addWidget(Button6);
    left->addStretch();

    // Meter DataLogger Information
    GroupBoxInfo = new QGroupBox(QStringLiteral("Meter DataLogger Information"), this);
    {
        auto* g = new QGridLayout(GroupBoxInfo);
        int row = 0;
        auto add = [&](const QString& caption, QLineEdit*& field, const QString& name) {
            field = display(GroupBoxInfo, name);
            g->addWidget(label(GroupBoxInfo, caption), row, 0, Qt::AlignRight);
            g->addWidget(field, row, 1);
            ++row;
        };
        add(QStringLiteral("FirmWare Version:"), txtVer, QStringLiteral("txtVer"));
        add(QStringLiteral("SN:"), txtSN, QStringLiteral("txtSN"));
        add(QStringLiteral("Unit Type:"), txtUnit, QStringLiteral("txtUnit"));
        unitC = unitPicture(GroupBoxInfo, QStringLiteral("unitC"), QStringLiteral("C"));
        unitF = unitPicture(GroupBoxInfo, QStringLiteral("unitF"), QStringLiteral("F"));
        {
            auto* pics = new QHBoxLayout;
            pics->addWidget(unitC);
            pics->addWidget(unitF);
            pics->addStretch();
            g->addLayout(pics, row - 1, 2);
        }
        add(QStringLiteral("Recording Interval:"), txtInt, QStringLiteral("txtInt"));
        add(QStringLiteral("RH offset:"), txtRHoffset, QStringLiteral("txtRHoffset"));
        add(QStringLiteral("Temp. offset:"), txtT1offset, QStringLiteral("txtT1offset"));
        add(QStringLiteral("ppm offset:"), txtppmoffset, QStringLiteral("txtppmoffset"));
        add(QStringLiteral("altitude compensation:"), txtaltoffset, QStringLiteral("txtaltoffset"));
        g->addWidget(label(GroupBoxInfo, QStringLiteral("m")), row - 1, 2);
        add(QStringLiteral("ALARM:"), txtAlarm, QStringLiteral("txtAlarm"));
        add(QStringLiteral("Hi:"), txtHi, QStringLiteral("txtHi"));
        add(QStringLiteral("Lo:"), txtLo, QStringLiteral("txtLo"));
        add(QStringLiteral("time to off:"), txtSleepTime, QStringLiteral("txtSleepTime"));
        add(QStringLiteral("Meter Time:"), txtMeterTime, QStringLiteral("txtMeterTime"));
        g->addWidget(label(GroupBoxInfo, QStringLiteral("MM/DD/YY   hh:mm:ss")), row++, 1);
        add(QStringLiteral("Data Sets In Memory:"), txtDataSets, QStringLiteral("txtDataSets"));
        add(QStringLiteral("Memory Available:"), txtMemoryAvailable,
            QStringLiteral("txtMemoryAvailable"));
        add(QStringLiteral("Col 2000"), txtCol2000, QStringLiteral("txtCol2000"));
        add(QStringLiteral("Col 400"), txtCol400, QStringLiteral("txtCol400"));
        add(QStringLiteral("Col 0"), txtCol0, QStringLiteral("txtCol0"));
        Button4 = button(GroupBoxInfo, QStringLiteral("Button4"), QStringLiteral("Read  "),
                         &TfrmSetup::Button4Click);
        lblOK5 = result(GroupBoxInfo, QStringLiteral("lblOK5"));
        g->addWidget(Button4, row, 1);
        g->addWidget(lblOK5, row, 2);
        g->setRowStretch(row + 1, 1);
    }

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(GroupBoxInfo, 0, Qt::AlignTop);
    top->setSizeConstraint(QLayout::SetFixedSize); // designed size, not scaled
}

// ---- helpers ---------------------------------------------------------------------------

void TfrmSetup::delay(uint32_t ms) {
    m_main.exchange().delay(ms);
}

void TfrmSetup::hourglass(bool on) {
    if (on == m_hourglass) return;
    m_hourglass = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool TfrmSetup::connected(bool tell) {
    if (m_main.state().connected) return true;
    if (tell) message(SetupText::NoConnection);
    return false;
}

void TfrmSetup::message(const QString& text) {
    m_main.dialogs().message(this, text);
}

void TfrmSetup::resetLabel(QLabel* l, bool hide) {
    l->setText(QString());
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, OkColor);
    l->setPalette(p);
    if (hide) l->hide();
}

void TfrmSetup::reportOk(QLabel* l) {
    l->setText(QStringLiteral("OK"));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, OkColor);
    l->setPalette(p);
    l->show();
}

void TfrmSetup::reportFail(QLabel* l, int code) {
    l->setText(code ? QStringLiteral("Fail code=%1").arg(code) : QStringLiteral("Fail"));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, FailColor);
    l->setPalette(p);
    l->show();
}

void TfrmSetup::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : {Button1, Button2, Button3, Button4, Button6, Button7, Button11, Button12,
                           Button13, Button14, Button16})
        b->setEnabled(enabled);
}

// ---- one command at a time -------------------------------------------------------------

void TfrmSetup::runCommand(std::function<void()> body) {
    if (m_phase != Phase::Idle) {
        // Another command of this dialog is running or waiting: this one follows it.
        m_queued.push_back(std::move(body));
        return;
    }
    startCommand(std::move(body));
}

void TfrmSetup::startCommand(std::function<void()> body) {
    m_phase = Phase::Waiting;
    // A focused button that is disabled hands the focus on to the next control, an edit box
    // whose text it selects, and the next key typed would replace that text. The window
    // holds the focus meanwhile, and the button gets it back at the end.
    QWidget* focus = QApplication::focusWidget();
    if (auto* b = qobject_cast<QPushButton*>(focus); b && isAncestorOf(b)) {
        m_focusReturn = b;
        setFocus(Qt::OtherFocusReason);
    }
    setButtonsEnabled(false);
    QPointer<TfrmSetup> self(this);
    // Deferred by the exchange while a poll tick pauses further up the call chain; runs as
    // soon as the tick is over (or not at all if the dialog has gone by then).
    m_main.exchange().runExclusive([self, body = std::move(body)] {
        if (!self) return;
        self->m_phase = Phase::Running;
        body();
        if (self) self->finishCommand();
    });
}

void TfrmSetup::finishCommand() {
    m_phase = Phase::Idle;
    hourglass(false);
    setButtonsEnabled(true);
    // Unless the user has put the focus somewhere else meanwhile.
    if (m_focusReturn && (!focusWidget() || focusWidget() == this))
        m_focusReturn->setFocus(Qt::OtherFocusReason);
    m_focusReturn = nullptr;
    if (m_closePending) {
        m_closePending = false;
        m_queued.clear();
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (!m_queued.empty()) {
        // After the interlock of the finished command is released.
        QTimer::singleShot(0, this, [this] {
            if (m_phase != Phase::Idle || m_queued.empty()) return;
            auto next = std::move(m_queued.front());
            m_queued.pop_front();
            startCommand(std::move(next));
        });
    }
}

// ---- window life -----------------------------------------------------------------------

void TfrmSetup::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TfrmSetup::FormShow() {
    ComboBox1Change();
}

void TfrmSetup::ComboBox1Change() {
    const bool on = ComboBox1->currentIndex() == 1;
    Edit4->setVisible(on);
    Edit5->setVisible(on);
}

void TfrmSetup::closeEvent(QCloseEvent* event) {
    if (m_phase == Phase::Running) {
        // Freeing the window under a running command would pull its controls from under it;
        // the close happens as soon as the command ends.
        m_closePending = true;
        event->ignore();
        return;
    }
    // A command still waiting for the poll tick is dropped with the window.
    m_queued.clear();
    Timer1->stop();
    hourglass(false);
    // The poll timer runs again, unless another exchange holds the interlock.
    if (!m_main.exchange().exclusive() && m_main.MainTimer) m_main.MainTimer->start();
    if (m_main.state().setupWindow == this) m_main.state().setupWindow = nullptr;
    event->accept();
}

void TfrmSetup::Timer1Timer() {
    Timer1->stop();
    if (connected(false)) runCommand([this] { ReadMeterInfo(); });
}

// ---- information read ------------------------------------------------------------------

void TfrmSetup::Button4Click() {
    if (!connected(true)) return;
    runCommand([this] { ReadMeterInfo(); });
}

void TfrmSetup::emptyInfoFields() {
    for (QLineEdit* e :
         {txtMemoryAvailable, txtMeterTime, txtInt, txtDataSets, txtVer, txtSN, txtAlarm, txtHi,
          txtLo, txtSleepTime, txtT1offset, txtppmoffset, txtRHoffset, txtaltoffset})
        e->clear();
}

void TfrmSetup::showUnit(bool fahrenheit) {
    imgF->setVisible(fahrenheit);
    unitF->setVisible(fahrenheit);
    imgC->setVisible(!fahrenheit);
    unitC->setVisible(!fahrenheit);
}

void TfrmSetup::ReadMeterInfo() {
    resetLabel(lblOK5, false);
    emptyInfoFields();
    repaint();
    delay(500);
    Interlock lock(m_main.exchange());
    if (!lock.held()) {
        reportFail(lblOK5, 201);
        return;
    }
    hourglass(true);

    Transport& t = m_main.exchange().transport();
    std::array<uint8_t, InfoReplySize> info{};
    int code = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        code = 0;
        if (t.open(MeterVendorId, MeterProductId) != 0) code = 201;
        if (t.setTimeouts(100, 100) != 0) code = 202;
        buildInfoFrame(m_unit.frame);
        if (t.writeCommand(m_unit.frame) != 0) code = 203;
        t.flush();
        info.fill(0);
        // The reply's bytes 0 to 3 are not tested: what a meter carries there is not known,
        // and code 205 stays reserved for a test that tells a bad reply apart.
        if (t.readReply(info) != 0) code = 204;
        if (code == 0) break;
    }

    if (code == 0) {
        const MeterInfo m = *decodeMeterInfo(info);
        const MeterInfoTexts x = meterInfoTexts(m, decimalPoint());
        txtDataSets->setText(x.dataSets);
        m_dataSetsInMemory = m.dataSets;
        txtMemoryAvailable->setText(x.memoryAvailable);
        txtInt->setText(x.interval);
        edtInt1->setText(x.intervalMinutes);
        edtInt2->setText(x.intervalSeconds);
        txtVer->setText(x.version);
        txtCol2000->setText(x.col2000);
        txtCol400->setText(x.col400);
        txtCol0->setText(x.col0);
        txtAlarm->setText(x.alarm);
        ComboBox1->setCurrentIndex(x.alarmItem);
        ComboBox1Change();
        txtHi->setText(x.alarmHigh);
        txtLo->setText(x.alarmLow);
        Edit4->setText(x.alarmHigh);
        Edit5->setText(x.alarmLow);
        txtaltoffset->setText(x.altitude);
        edtalt_offset->setText(x.altitude);
        m_unit.fahrenheit = x.fahrenheit;
        txtUnit->setText(x.unit);
        showUnit(x.fahrenheit);
        txtRHoffset->setText(x.rhOffset);
        edtRH_offset->setText(x.rhOffset);
        txtT1offset->setText(x.tempOffset);
        edtT1_offset->setText(x.tempOffset);
        txtppmoffset->setText(x.co2Offset);
        edtppm_offset->setText(x.co2Offset);
        txtSleepTime->setText(x.sleepTime);
        if (x.powerOffItem) ComboBox2->setCurrentIndex(*x.powerOffItem);
        txtMeterTime->setText(x.meterTime);

        std::array<char, 32> serial{};
        t.readSerialString(serial);
        txtSN->setText(serialText(serial));
        reportOk(lblOK5);
    } else {
        m_dataSetsInMemory.reset();
        reportFail(lblOK5, code);
    }
    hourglass(false);
}

// ---- setup exchanges -------------------------------------------------------------------

int TfrmSetup::exchange32(const StepCodes& c, OnFailure mode, uint32_t delayAfterWrite,
                          uint32_t delayAfterFlush) {
    Transport& t = m_main.exchange().transport();
    int code = 0;
    if (t.open(MeterVendorId, MeterProductId) != 0) {
        code = c.open;
        if (mode == OnFailure::End) return code;
    }
    if (t.setTimeouts(100, 100) != 0) {
        code = c.timeouts;
        if (mode == OnFailure::End) return code;
    }
    if (t.writeCommand(m_unit.frame) != 0) {
        code = c.write;
        if (mode != OnFailure::GoOn) return code;
    }
    if (delayAfterWrite) delay(delayAfterWrite);
    t.flush();
    if (delayAfterFlush) delay(delayAfterFlush);
    if (t.readReply(m_unit.reply) != 0) return c.read;
    if (!isAcknowledged(m_unit.reply)) return c.ack;
    return code;
}

// ---- clock -----------------------------------------------------------------------------

void TfrmSetup::Button1Click() {
    if (!connected(true)) return;
    runCommand([this] { AdjustMeterClock(); });
}

void TfrmSetup::clockAdjust() {
    if (!connected(true)) return;
    AdjustMeterClock();
}

void TfrmSetup::AdjustMeterClock() {
    Interlock lock(m_main.exchange());
    resetLabel(lblOK1, true);
    if (!lock.held()) {
        reportFail(lblOK1, 401);
        return;
    }
    delay(500);
    repaint();
    delay(500);
    hourglass(true);

    Transport& t = m_main.exchange().transport();
    int code = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        code = 0;
        if (t.open(MeterVendorId, MeterProductId) != 0) code = 401;
        if (t.setTimeouts(100, 100) != 0) code = 402;
        buildClockFrame(m_unit.frame);
        if (t.writeCommand(m_unit.frame) != 0) code = 403;
        t.flush();
        delay(100);
        // The clock is taken now, just before the block goes out.
        fillClockBlock(m_unit.reply, m_main.clock().now());
        if (t.writeBlock(m_unit.reply) != 0) code = 404;
        t.flush();
        delay(100);
        if (t.readReply(m_unit.reply) != 0)
            code = 405;
        else if (!isAcknowledged(m_unit.reply))
            code = 406;
        if (code == 0) break;
    }
    if (code == 0)
        reportOk(lblOK1);
    else
        reportFail(lblOK1, code);
    hourglass(false);
}

// ---- erase -----------------------------------------------------------------------------

QMessageBox::StandardButton TfrmSetup::askErase(QMessageBox::StandardButton defaultButton) {
    return m_main.dialogs().message(this, SetupText::EraseConfirm, QString(), QMessageBox::Question,
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                    defaultButton);
}

void TfrmSetup::Button3Click() {
    if (!connected(true)) return;
    if (askErase(QMessageBox::Yes) != QMessageBox::Yes) return;
    runCommand([this] { EraseMeterMemory(); });
}

void TfrmSetup::EraseMeterMemory() {
    Interlock lock(m_main.exchange());
    resetLabel(lblOK3, true);
    if (!lock.held()) {
        reportFail(lblOK3, 501);
        return;
    }
    repaint();
    delay(500);
    hourglass(true);
    int code = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        buildEraseFrame(m_unit.frame);
        code = exchange32({501, 502, 503, 505, 506}, OnFailure::GoOn, 0, 10);
        if (code == 0) break;
    }
    if (code == 0) {
        m_dataSetsInMemory = 0;
        reportOk(lblOK3);
    } else {
        reportFail(lblOK3, code);
    }
    hourglass(false);
}

// ---- recording interval ----------------------------------------------------------------

void TfrmSetup::Button2Click() {
    if (!connected(true)) return;
    runCommand([this] { SetRecordingInterval(); });
}

void TfrmSetup::recordingInterval() {
    if (!connected(true)) return;
    SetRecordingInterval();
}

void TfrmSetup::SetRecordingInterval() {
    const Checked<IntervalBcd> in = checkInterval(edtInt1->text(), edtInt2->text());
    if (!in.ok()) {
        message(in.message);
        return;
    }
    resetLabel(lblOK2, false);
    repaint();
    Interlock lock(m_main.exchange());
    if (!lock.held()) {
        reportFail(lblOK2);
        return;
    }
    lblOK2->show();
    hourglass(true);
    delay(500);
    int code = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        buildIntervalFrame(m_unit.frame, in.value->minutes, in.value->seconds);
        code = exchange32({600, 602, 603, 604, 605}, OnFailure::GoOn, 0, 0);
        if (code == 0) break;
    }
    hourglass(false);
    if (code == 0)
        reportOk(lblOK2);
    else
        reportFail(lblOK2);
}

// ---- bytes of meter memory: %RH, temperature, power-off --------------------------------

uint16_t TfrmSetup::WriteMeterByte(int32_t address, uint8_t value) {
    hourglass(true);
    Interlock lock(m_main.exchange());
    if (!lock.held()) {
        hourglass(false);
        return 9000;
    }
    int code = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        buildWriteByteFrame(m_unit.frame, address, value);
        code = exchange32({9000, 9001, 9002, 9003, 9004}, OnFailure::End, 0, 0);
        if (code == 0) break;
        delay(300);
    }
    hourglass(false);
    return static_cast<uint16_t>(code);
}

void TfrmSetup::Button7Click() {
    if (!connected(true)) return;
    runCommand([this] { rhOffset(); });
}

void TfrmSetup::rhOffset() {
    if (!connected(true)) return;
    const Checked<uint8_t> in = checkRhOffset(edtRH_offset->text(), decimalPoint());
    if (!in.ok()) {
        message(in.message);
        return;
    }
    lblOK6->hide();
    hourglass(true);
    delay(500);
    if (WriteMeterByte(RhOffsetAddress, *in.value) == 0)
        reportOk(lblOK6);
    else
        reportFail(lblOK6);
}

void TfrmSetup::Button12Click() {
    if (!connected(true)) return;
    runCommand([this] { tempOffset(); });
}

void TfrmSetup::tempOffset() {
    if (!connected(true)) return;
    const Checked<uint8_t> in =
        checkTempOffset(edtT1_offset->text(), m_unit.fahrenheit, decimalPoint());
    if (!in.ok()) {
        message(in.message);
        return;
    }
    Label24->hide();
    hourglass(true);
    delay(500);
    if (WriteMeterByte(TempOffsetAddress, *in.value) == 0)
        reportOk(Label24);
    else
        reportFail(Label24);
}

void TfrmSetup::Button16Click() {
    if (!connected(true)) return;
    runCommand([this] { powerOff(); });
}

void TfrmSetup::powerOff() {
    if (!connected(true)) return;
    Label38->hide();
    hourglass(true);
    delay(500);
    const auto value = static_cast<uint8_t>(ComboBox2->currentIndex() & 0xFF);
    if (WriteMeterByte(PowerOffAddress, value) == 0)
        reportOk(Label38);
    else
        reportFail(Label38);
}

// ---- CO2 offset ------------------------------------------------------------------------

void TfrmSetup::Button13Click() {
    if (m_unit.co2Guard) return;
    if (!connected(true)) return;
    runCommand([this] { co2Offset(); });
}

void TfrmSetup::co2Offset() {
    if (m_unit.co2Guard) return;
    if (!connected(true)) return;
    m_unit.co2Guard = true;
    Label28->hide();
    hourglass(true);
    delay(500);
    {
        Interlock lock(m_main.exchange());
        const Co2Check in = checkCo2Offset(edtppm_offset->text());
        if (!in.ok()) {
            message(in.message);
            if (in.notInteger) reportFail(Label28);
        } else if (!lock.held()) {
            reportFail(Label28);
        } else {
            buildCo2OffsetFrame(m_unit.frame, *in.value);
            if (exchange32({1, 2, 3, 4, 5}, OnFailure::End, 200, 0) == 0)
                reportOk(Label28);
            else
                reportFail(Label28);
        }
        hourglass(false);
    }
    m_unit.co2Guard = false;
}

// ---- altitude --------------------------------------------------------------------------

void TfrmSetup::Button14Click() {
    if (!connected(true)) return;
    runCommand([this] { altitude(); });
}

void TfrmSetup::altitude() {
    if (!connected(true)) return;
    const Checked<uint16_t> in = checkAltitude(edtalt_offset->text());
    if (!in.ok()) {
        message(in.message);
        return;
    }
    hourglass(true);
    Interlock lock(m_main.exchange());
    Label29->hide();
    if (!lock.held()) {
        reportFail(Label29);
        return;
    }
    delay(500);
    buildAltitudeFrame(m_unit.frame, *in.value);
    if (exchange32({1, 2, 3, 4, 5}, OnFailure::EndFromWrite, 0, 100) == 0)
        reportOk(Label29);
    else
        reportFail(Label29);
    delay(500);
    hourglass(false);
}

// ---- CO2 alarm -------------------------------------------------------------------------

void TfrmSetup::Button11Click() {
    if (!connected(true)) return;
    runCommand([this] { alarm(); });
}

void TfrmSetup::alarm() {
    if (!connected(true)) return;
    Label12->hide();
    hourglass(true);
    Interlock lock(m_main.exchange());
    if (!lock.held()) {
        reportFail(Label12);
        return;
    }
    delay(500);
    std::optional<AlarmLimits> limits;
    if (ComboBox1->currentIndex() == 1) {
        const AlarmCheck in = checkAlarm(Edit4->text(), Edit5->text());
        if (in.swapped) {
            const QString high = Edit4->text();
            Edit4->setText(Edit5->text());
            Edit5->setText(high);
        }
        if (!in.ok()) {
            message(in.message);
            hourglass(false);
            return;
        }
        limits = *in.value;
    }
    buildAlarmFrame(m_unit.frame, limits);
    if (exchange32({1, 2, 3, 4, 5}, OnFailure::End, 0, 100) == 0)
        reportOk(Label12);
    else
        reportFail(Label12);
    hourglass(false);
}

// ---- Setup All -------------------------------------------------------------------------

void TfrmSetup::Button6Click() {
    if (!connected(true)) return;
    // The erase at the end would take every data set not yet downloaded. When the meter holds
    // some, or no read has said it holds none, the user decides first: Yes sends everything,
    // No everything but the erase, Cancel nothing. The safe answer is the default.
    bool erase = true;
    if (m_dataSetsInMemory.value_or(1) > 0) {
        const auto answer = askErase(QMessageBox::No);
        if (answer == QMessageBox::Cancel) return;
        erase = answer == QMessageBox::Yes;
    }
    runCommand([this, erase] {
        for (QLabel* l :
             {lblOK2, lblOK6, Label24, Label28, Label29, Label12, Label38, lblOK1, lblOK3})
            l->hide();
        // Each step reports in its own label; a failure or a refused input does not stop the
        // sequence. The poll timer stays stopped throughout.
        const std::pair<void (TfrmSetup::*)(), uint32_t> steps[] = {
            {&TfrmSetup::recordingInterval, 500}, {&TfrmSetup::rhOffset, 500},
            {&TfrmSetup::tempOffset, 1000},       {&TfrmSetup::co2Offset, 2000},
            {&TfrmSetup::altitude, 1000},         {&TfrmSetup::alarm, 500},
            {&TfrmSetup::powerOff, 500},          {&TfrmSetup::clockAdjust, 500}};
        for (const auto& [step, pause] : steps) {
            (this->*step)();
            delay(pause);
        }
        if (erase) EraseMeterMemory();
        ReadMeterInfo();
    });
}
