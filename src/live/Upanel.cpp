#include "live/Upanel.h"

#include "app/Umain.h"
#include "live/DisplayGlyphs.h"
#include "live/LiveMonitor.h"
#include "live/PanelKeys.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace {

const QColor Ink(0x1C, 0x22, 0x1E);

QLabel* picture(QWidget* parent, const char* name, const QString& resource, int left, int top,
                bool visible) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    const QPixmap p(resource);
    l->setPixmap(p);
    l->setGeometry(left, top, p.isNull() ? 1 : p.width(), p.isNull() ? 1 : p.height());
    l->setVisible(visible);
    return l;
}

QLabel* text(QWidget* parent, const char* name, const QString& caption, int left, int top,
             const QFont& font, const QColor& color, bool visible) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    l->adjustSize();
    l->move(left, top);
    l->setVisible(visible);
    return l;
}

QFont pixelFont(const QString& family, int pixels, bool bold) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

} // namespace

// ---- KeyArea ------------------------------------------------------------------------------

KeyArea::KeyArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void KeyArea::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_pressed = true;
}

void KeyArea::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_pressed) return;
    m_pressed = false;
    const bool second = m_inDoubleClick;
    m_inDoubleClick = false;
    // The second release of a double click is not a click of its own.
    if (!second && rect().contains(e->position().toPoint())) emit clicked();
}

void KeyArea::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_pressed = true;
    m_inDoubleClick = true;
    emit doubleClicked();
}

// ---- PanelPicture -------------------------------------------------------------------------

void PanelPicture::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit dragStarted(e->globalPosition().toPoint());
}

void PanelPicture::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) emit dragged(e->globalPosition().toPoint());
}

// ---- TfrmPanel ----------------------------------------------------------------------------

TfrmPanel::TfrmPanel(TfrmMain& main) : m_main(main) {
    setObjectName(QStringLiteral("frmPanel"));
    setWindowTitle(QStringLiteral("PANEL"));
    setFixedSize(301, 713);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    m_remembered.fill(0xFF);

    imgPanel = new PanelPicture(this);
    imgPanel->setObjectName(QStringLiteral("imgPanel"));
    imgPanel->setPixmap(QPixmap(QStringLiteral(":/panel/front.jpg")));
    imgPanel->setGeometry(0, 0, 300, 708);
    // Opaque: nothing behind the picture needs painting.
    imgPanel->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(imgPanel, &PanelPicture::dragStarted, this, [this](QPoint global) {
        if (QWidget* f = frame()) m_dragOffset = global - f->pos();
    });
    connect(imgPanel, &PanelPicture::dragged, this, [this](QPoint global) {
        if (QWidget* f = frame()) f->move(global - m_dragOffset);
    });

    const QFont legend = pixelFont(QStringLiteral("DejaVu Sans"), 11, true);

    // Fixed legends and the parts of the display that are never lit.
    imgCO2 = picture(this, "imgCO2", QStringLiteral(":/panel/co2.jpg"), 58, 118, true);
    lblppm = text(this, "lblppm", QStringLiteral("ppm"), 229, 170, legend, Ink, true);
    lblRH = text(this, "lblRH", QStringLiteral("RH"), 62, 226, legend, Ink, true);
    lblPercent = text(this, "lblPercent", QStringLiteral("%"), 231, 228,
                      pixelFont(QStringLiteral("DejaVu Sans"), 14, true), Ink, true);
    imgAutoOff =
        picture(this, "imgAutoOff", QStringLiteral(":/panel/autooff.jpg"), 200, 318, false);
    imgSET = picture(this, "imgSET", QStringLiteral(":/panel/set.jpg"), 60, 296, false);
    imgDewPoint =
        picture(this, "imgDewPoint", QStringLiteral(":/panel/dewpoint.jpg"), 60, 254, false);
    imgwetBULB = picture(this, "imgwetBULB", QStringLiteral(":/panel/wetbulb.jpg"), 60, 270, false);
    lblm = text(this, "lblm", QStringLiteral("m"), 232, 206, legend, Ink, false);
    lblft = text(this, "lblft", QStringLiteral("ft"), 246, 206, legend, Ink, false);
    lblhPa = text(this, "lblhPa", QStringLiteral("hPa"), 229, 150, legend, Ink, false);
    lblCAL = text(this, "lblCAL", QStringLiteral("CAL"), 62, 196, legend, Ink, false);
    Label7 = text(this, "Label7", QStringLiteral("K"), 320, 40, legend, Ink, true);
    Image4 = picture(this, "Image4", QStringLiteral(":/panel/point.jpg"), 320, 60, true);

    // Digits (blank until the first reading).
    const QPixmap& blank = m_main.digitBitmap(GlyphBlank);
    auto digit = [&](const QString& name, int left, int top) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setGeometry(left, top, 30, 52);
        l->setPixmap(blank);
        return l;
    };
    const int ppmLefts[5] = {60, 91, 127, 161, 196};
    for (int i = 0; i < 5; ++i)
        ppmD[i] = digit(QStringLiteral("ppmD%1").arg(i), ppmLefts[i], 132);
    const int rhLefts[4] = {91, 126, 161, 196};
    for (int i = 0; i < 4; ++i)
        RHD[i] = digit(QStringLiteral("RHD%1").arg(i + 1), rhLefts[i], 190);
    const int tLefts[4] = {94, 128, 163, 197};
    for (int i = 0; i < 4; ++i)
        T1D[i] = digit(QStringLiteral("T1D%1").arg(i + 1), tLefts[i], 251);
    RH_P = picture(this, "RH_P", QStringLiteral(":/panel/point.jpg"), 190, 234, true);
    T1_P = picture(this, "T1_P", QStringLiteral(":/panel/point.jpg"), 191, 296, true);

    // Annunciators.
    imgHOLD = picture(this, "imgHOLD", QStringLiteral(":/panel/hold.jpg"), 206, 96, false);
    imgREC = picture(this, "imgREC", QStringLiteral(":/panel/rec.jpg"), 181, 115, false);
    imgFULL = picture(this, "imgFULL", QStringLiteral(":/panel/full.jpg"), 217, 114, false);
    imgAlarm = picture(this, "imgAlarm", QStringLiteral(":/panel/alarm.jpg"), 108, 96, false);
    const QFont hiLo = pixelFont(QStringLiteral("Arial"), 17, true);
    lblHi = text(this, "lblHi", QStringLiteral("Hi"), 157, 92, hiLo, Ink, false);
    lblLO = text(this, "lblLO", QStringLiteral("Lo"), 178, 92, hiLo, Ink, false);
    lblMIN = text(this, "lblMIN", QStringLiteral("MIN"), 117, 312, legend, Ink, false);
    lblMAX = text(this, "lblMAX", QStringLiteral("MAX"), 148, 312, legend, Ink, false);
    lblAVG = text(this, "lblAVG", QStringLiteral("AVG"), 509, 378, legend, Ink, false);
    imgSTEL = picture(this, "imgSTEL", QStringLiteral(":/panel/stel.jpg"), 141, 114, false);
    imgTWA = picture(this, "imgTWA", QStringLiteral(":/panel/twa.jpg"), 108, 115, false);
    imgBat3 = picture(this, "imgBat3", QStringLiteral(":/panel/bat3.jpg"), 82, 311, false);
    imgBat2 = picture(this, "imgBat2", QStringLiteral(":/panel/bat2.jpg"), 82, 311, false);
    imgBat1 = picture(this, "imgBat1", QStringLiteral(":/panel/bat1.jpg"), 82, 311, false);
    imgBat0 = picture(this, "imgBat0", QStringLiteral(":/panel/bat0.jpg"), 82, 311, false);
    imgT1C = picture(this, "imgT1C", QStringLiteral(":/panel/degc.jpg"), 230, 288, true);
    imgT1F = picture(this, "imgT1F", QStringLiteral(":/panel/degf.jpg"), 233, 269, true);

    lblNoConnection = text(this, "lblNoConnection", QStringLiteral("No Connection"), 91, 94,
                           pixelFont(QStringLiteral("MS Sans Serif"), 20, false), Qt::red, true);

    // Key areas over the keys of the picture.
    auto key = [this](const char* name, int left, int top, int w, int h, Qt::CursorShape cursor) {
        auto* k = new KeyArea(this);
        k->setObjectName(QString::fromLatin1(name));
        k->setGeometry(left, top, w, h);
        k->setCursor(cursor);
        return k;
    };
    btnMMA = key("btnMMA", 161, 393, 50, 49, Qt::PointingHandCursor);
    btnMMA->setToolTip(
        QStringLiteral("click to change AVG/MAX/MIN mode, double click  to cancel ."));
    btnBackLight = key("btnBackLight", 94, 393, 50, 44, Qt::PointingHandCursor);
    btnHOLD = key("btnHOLD", 157, 468, 59, 42, Qt::PointingHandCursor);
    btnCF = key("btnCF", 157, 546, 59, 42, Qt::PointingHandCursor);
    btnREC = key("btnREC", 92, 538, 59, 42, Qt::PointingHandCursor);
    btnSET = key("btnSET", 84, 468, 59, 42, Qt::ArrowCursor); // sends nothing
    connect(btnMMA, &KeyArea::clicked, this, &TfrmPanel::btnMMAClick);
    connect(btnMMA, &KeyArea::doubleClicked, this, &TfrmPanel::btnMMADblClick);
    connect(btnBackLight, &KeyArea::clicked, this, &TfrmPanel::btnBackLightClick);
    connect(btnHOLD, &KeyArea::clicked, this, &TfrmPanel::btnHOLDClick);
    connect(btnCF, &KeyArea::clicked, this, &TfrmPanel::btnCFClick);
    connect(btnREC, &KeyArea::clicked, this, &TfrmPanel::btnRECClick);

    // Without a caption the window is closed from the keyboard, as any child window.
    setFocusPolicy(Qt::StrongFocus);
    auto* closeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4), this);
    closeKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(closeKey, &QShortcut::activated, this, [this] {
        if (QMdiSubWindow* f = frame()) f->close();
    });

    if (QMdiArea* mdi = m_main.mdiArea())
        connect(mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
            if (w && w == frame()) FormActivate();
        });
}

TfrmPanel::~TfrmPanel() {
    if (m_main.state().frontPanel == this) m_main.state().frontPanel = nullptr;
}

QMdiSubWindow* TfrmPanel::frame() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TfrmPanel::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TfrmPanel::FormShow() {
    m_remembered.fill(0xFF);
}

void TfrmPanel::FormActivate() {
    if (m_main.btnOutputToGraph) m_main.btnOutputToGraph->setEnabled(false);
}

bool TfrmPanel::FormCloseQuery() {
    // Let a blink that is under way finish before the window goes.
    for (int i = 0; i < 1000 && m_main.live().blinking(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return true;
}

void TfrmPanel::closeEvent(QCloseEvent* e) {
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

void TfrmPanel::FormClose() {
    if (m_main.state().frontPanel == this) m_main.state().frontPanel = nullptr;
    if (m_main.ControlPanel1) m_main.ControlPanel1->setChecked(false);
    // The frame is freed on close and takes this window with it.
    if (QMdiSubWindow* f = frame(); f && !f->testAttribute(Qt::WA_DeleteOnClose)) deleteLater();
}

void TfrmPanel::setDigit(int position, QLabel* image, int glyph) {
    if (m_remembered[position] == glyph) return;
    image->setPixmap(m_main.digitBitmap(safeGlyph(glyph)));
    m_remembered[position] = static_cast<uint8_t>(glyph);
    ++m_digitImageChanges;
}

void TfrmPanel::PaintPanel(const LiveReading& r) {
    // Battery: a reply without a battery bit leaves the symbols as they are.
    if (r.batteryReported) {
        QLabel* const bats[4] = {imgBat0, imgBat1, imgBat2, imgBat3};
        for (int i = 0; i < 4; ++i)
            bats[i]->setVisible(i == r.batteryLevel);
    }

    imgT1C->setVisible(!r.fahrenheit);
    imgT1F->setVisible(r.fahrenheit);
    imgAlarm->setVisible(r.alarm);
    lblHi->setVisible(r.alarmHigh);
    lblLO->setVisible(r.alarmLow);
    if (!r.memoryFull) { // otherwise REC and FULL blink
        imgREC->setVisible(r.meterRecording);
        imgFULL->setVisible(false);
    }
    imgHOLD->setVisible(r.hold);
    if (!r.allModes) { // otherwise the mode indicators blink together
        lblMIN->setVisible(r.showMin);
        lblMAX->setVisible(r.showMax);
        imgSTEL->setVisible(r.showStel);
        imgTWA->setVisible(r.showTwa);
    }

    const std::array<int, 13> glyphs = displayGlyphs(r);
    for (int i = 0; i < 5; ++i)
        setDigit(i, ppmD[i], glyphs[i]);
    for (int i = 0; i < 4; ++i)
        setDigit(5 + i, RHD[i], glyphs[5 + i]);
    for (int i = 0; i < 4; ++i)
        setDigit(9 + i, T1D[i], glyphs[9 + i]);
}

void TfrmPanel::blinkModes(bool on) {
    for (QLabel* l : {lblMAX, lblMIN, lblAVG, imgSTEL, imgTWA})
        l->setVisible(on);
}

void TfrmPanel::blinkMemoryFull(bool on) {
    imgREC->setVisible(on);
    imgFULL->setVisible(on);
}

void TfrmPanel::btnMMAClick() {
    pressKey('M');
}
void TfrmPanel::btnMMADblClick() {
    pressKey('N');
}
void TfrmPanel::btnBackLightClick() {
    pressKey('B');
}
void TfrmPanel::btnHOLDClick() {
    pressKey('H');
}
void TfrmPanel::btnCFClick() {
    pressKey('C');
}
void TfrmPanel::btnRECClick() {
    pressKey('E');
}

void TfrmPanel::pressKey(uint8_t letter) {
    Exchange& ex = m_main.exchange();
    // The window may close during the pause below, or before a deferred key gets its turn.
    QPointer<TfrmPanel> self(this);
    ex.runExclusive([self, letter, &ex] {
        if (!self) return;
        Frame& f = self->m_frame;
        f[0] = 0x02;
        f[1] = letter;
        f[2] = 0x00;
        f[3] = 0x00;
        f[6] = 0x03;
        const int code = panelKeyExchange(ex.transport(), f);
        self->m_lastKeyResult = code;
        // No second attempt and no message: the pause only lets the meter recover before
        // polling resumes.
        if (code != KeyOk) ex.delay(300);
    });
}
