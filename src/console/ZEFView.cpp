#include "console/ZEFView.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimerEvent>
#include <algorithm>
#include <utility>

#include "console/Dialogs.h"
#include "core/files/Recovery.h"
#include "core/files/TestFile.h"
#include "graph/Graph.h"
#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"
#include "core/link/PortSelection.h"
#include "core/link/SerialPort.h"
#include "core/base/TextBytes.h"
#include "core/record/TestSettings.h"

namespace {

// The file dialogs' filters. The first one also takes lower-case names, as files copied from
// other machines often have them.
const QStringList FILE_FILTERS = {QStringLiteral("ZEF Files (*.ZEF)"),
                                  QStringLiteral("All Files (*.*)")};

// Whether the test holds anything a Clear would lose: a recorded point or a comment.
bool HoldsResults(const TestRecord& rec) {
    return HoldsPoints(rec) || std::any_of(rec.m_strComment.begin(), rec.m_strComment.end(),
                                           [](const std::string& str) { return !str.empty(); });
}

}  // namespace

// The status bar's pane as the view writes to it. The pane shows a text at once by repainting
// itself, which must not happen while the window is being painted: on a scaled screen a paint
// nested in another replaces the surface the outer one draws on. A text given during a paint is
// shown as soon as the paint is over, unless a newer one has come first.
class CZEFView::CPaneRelay : public CStatusPane {
public:
    explicit CPaneRelay(QWidget& view) : m_view(view) {}

    void SetStatusText(const std::string& strText) override {
        if (m_bInPaint) {
            if (!std::exchange(m_bPending, true)) {
                QMetaObject::invokeMethod(
                    &m_view, [this] { Flush(); }, Qt::QueuedConnection);
            }
            m_strPending = strText;
            return;
        }
        m_bPending = false;
        if (m_pTarget) {
            m_pTarget->SetStatusText(strText);
        }
    }
    void Flush() {
        if (std::exchange(m_bPending, false) && m_pTarget) {
            m_pTarget->SetStatusText(m_strPending);
        }
    }

    CStatusPane* m_pTarget = nullptr;  // none until the status bar is there
    bool m_bInPaint = false;

private:
    QWidget& m_view;
    bool m_bPending = false;
    std::string m_strPending;
};

class CZEFView::CSurface {
public:
    explicit CSurface(CZEFView& view)
        : m_dc(view.m_image),
          m_drawing(m_dc, view.m_screen, *view.m_pPane, [&view] { return view.Running(); }) {}

    CGraphDC m_dc;
    CWindowDrawing m_drawing;
};

// A tick's drawing: each call takes the surface and lets it go again, as nothing may hold the
// window's image while the tick waits for the controller.
class CZEFView::CTickDrawing : public CRecordDrawing {
public:
    explicit CTickDrawing(CZEFView& view) : m_view(view) {}

    void EraseStretch(const TestRecord& rec, int nFromSlot, int nToSlot) override {
        Draw([&](CRecordDrawing& dc) { dc.EraseStretch(rec, nFromSlot, nToSlot); });
    }
    void DrawStretch(const TestRecord& rec, int nFromSlot, int nToSlot) override {
        Draw([&](CRecordDrawing& dc) { dc.DrawStretch(rec, nFromSlot, nToSlot); });
    }
    void MoveSpeedMarker(const TestRecord& rec, double dSpeed, int bShow) override {
        Draw([&](CRecordDrawing& dc) { dc.MoveSpeedMarker(rec, dSpeed, bShow); });
    }
    void ShowStatus(const TestRecord& rec, double dSpeed, double dLift, double dDrag, double dCd,
                    double dLD) override {
        Draw([&](CRecordDrawing& dc) { dc.ShowStatus(rec, dSpeed, dLift, dDrag, dCd, dLD); });
    }

private:
    template <typename F>
    void Draw(F fnDraw) {
        fnDraw(m_view.AcquireSurface().m_drawing);
        m_view.ReleaseSurface();
    }

    CZEFView& m_view;
};

// A command's hold on the window's drawing surface, released on every path out.
class CZEFView::CSurfaceScope {
public:
    explicit CSurfaceScope(CZEFView& view) : m_view(view) {}
    ~CSurfaceScope() { m_view.ReleaseSurface(); }
    CSurfaceScope(const CSurfaceScope&) = delete;
    CSurfaceScope& operator=(const CSurfaceScope&) = delete;

private:
    CZEFView& m_view;
};

CZEFView::CZEFView(const CConsoleServices& services, const StartupSettings& settings,
                   QWidget* pParent)
    : QWidget(pParent),
      m_rec(settings.m_bEnglish, settings.m_dMaxSpeed),
      m_run(m_rec, services.m_port, *this),
      m_services(services),
      m_pRelay(std::make_unique<CPaneRelay>(*this)),
      m_pPane(m_pRelay.get()),
      m_pTickDrawing(std::make_unique<CTickDrawing>(*this)) {
    // The status line keeps its pace by the console's clock.
    m_run.m_state.m_fnClock = services.m_clock;
    // A tick held up by a reply runs as soon as the work around it is over, while the poll
    // timer still runs.
    services.m_port.Gate().SetTickRunner([this] {
        if (m_services.m_port.m_nPollTimer != 0) {
            OnTimer();
        }
    });
    setObjectName(QStringLiteral("view"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    OnInitialUpdate();
}

CZEFView::~CZEFView() {
    m_services.m_port.Gate().SetTickRunner({});
    m_pSurface.reset();
    StopPollTimer(*this, m_services.m_port);
}

void CZEFView::SetStatusPane(CStatusPane* pPane) {
    m_pRelay->m_pTarget = pPane;
}

bool CZEFView::Running() const {
    return m_services.m_port.m_bRunning != 0;
}

// --- The window's image ------------------------------------------------------------------------

void CZEFView::EnsureImage() {
    const qreal dRatio = devicePixelRatioF();
    const QSize size = (QSizeF(width(), height()) * dRatio).toSize().expandedTo(QSize(1, 1));
    if (m_image.size() != size || m_image.devicePixelRatio() != dRatio) {
        m_image = QImage(size, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(dRatio);
        m_image.fill(Qt::white);
        m_bImageStale = true;
    }
}

CZEFView::CSurface& CZEFView::AcquireSurface() {
    if (!m_pSurface) {
        EnsureImage();
        m_pSurface = std::make_unique<CSurface>(*this);
    }
    ++m_nSurfaceUsers;
    return *m_pSurface;
}

void CZEFView::ReleaseSurface() {
    if (m_nSurfaceUsers == 0 || --m_nSurfaceUsers > 0) {
        return;
    }
    const QRect rcDevice = m_pSurface->m_dc.TakeChangedRect();
    m_pSurface.reset();
    if (m_nTicks > 0) {
        m_bRecordChanged = true;
    } else if (m_fnRecordChanged) {
        m_fnRecordChanged();
    }
    if (std::exchange(m_bPaintDeferred, false)) {
        // What was exposed or resized meanwhile has been shown only from the old image.
        update();
    } else if (!rcDevice.isEmpty()) {
        const qreal dRatio = m_image.devicePixelRatio();
        const QRectF rcWidget(rcDevice.x() / dRatio, rcDevice.y() / dRatio,
                              rcDevice.width() / dRatio, rcDevice.height() / dRatio);
        update(rcWidget.toAlignedRect().adjusted(-1, -1, 1, 1));
    }
}

void CZEFView::Invalidate() {
    m_bImageStale = true;
    update();
}

void CZEFView::paintEvent(QPaintEvent*) {
    // A full draw needs the image to itself; inside a tick's message box it waits until the
    // surface is let go.
    if (m_nSurfaceUsers > 0) {
        m_bPaintDeferred = true;
    } else {
        EnsureImage();
        if (m_bImageStale) {
            CGraphDC dc(m_image);
            m_pRelay->m_bInPaint = true;
            m_rec.ApplyUnitScales();  // a full draw shows the scales of the unit system in force
            PaintPass(m_rec, m_screen, dc, *m_pPane, Running());
            m_pRelay->m_bInPaint = false;
            m_bImageStale = false;
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void CZEFView::resizeEvent(QResizeEvent*) {
    m_bImageStale = true;
}

void CZEFView::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ScreenChangeInternal) {
        Invalidate();
    }
    QWidget::changeEvent(pEvent);
}

// --- Poll cycle ---------------------------------------------------------------------------------

CRecordDrawing& CZEFView::TickDrawing() {
    m_bTickInStop = m_bTickInStop || m_services.m_port.m_bReturningToZero != 0;
    ++m_nTicks;
    return *m_pTickDrawing;
}

void CZEFView::EndTick() {
    if (m_nTicks == 0 || --m_nTicks > 0) {
        return;
    }
    if (std::exchange(m_bRecordChanged, false) && m_fnRecordChanged) {
        m_fnRecordChanged();
    }
    if (!std::exchange(m_bTickInStop, false)) {
        return;
    }
    // The stop has ended with the fan at rest: the finished test is drawn once whole, as a
    // reopened file would show it. The status line stays.
    if (!m_services.m_port.m_bReturningToZero) {
        RedrawPlot();
    }
}

void CZEFView::SetStatusText(const std::string& strText) {
    m_pPane->SetStatusText(strText);
}

void CZEFView::KillPollTimer() {
    StopPollTimer(*this, m_services.m_port);
    m_services.m_port.Gate().DropTick();
}

void CZEFView::SetPollTimer() {
    StartPollTimer(*this, m_services.m_port);
    m_services.m_port.Gate().DropTick();
}

void CZEFView::timerEvent(QTimerEvent* pEvent) {
    if (m_services.m_port.m_nPollTimer != 0 &&
        pEvent->timerId() == static_cast<int>(m_services.m_port.m_nPollTimer)) {
        // Never a tick inside another's exchange: one exchange at a time on the line.
        if (m_services.m_port.Gate().AdmitTick()) {
            OnTimer();
        }
        return;
    }
    QWidget::timerEvent(pEvent);
}

void CZEFView::OnTimer() {
    const CLinkGate::CWork work(m_services.m_port.Gate());
    const bool bPolling = m_services.m_port.m_nPollTimer != 0;
    m_services.m_recovery.BeforeTick(m_rec);
    m_run.Tick();
    // The run's end is a stop too, whether the fan ran down or the link gave up.
    if (m_services.m_recovery.AfterTick(m_rec, bPolling && m_services.m_port.m_nPollTimer == 0)) {
        m_undo.Forget();
    }
}

// --- Redraws -----------------------------------------------------------------------------------

void CZEFView::RedrawAll() {
    CSurface& surface = AcquireSurface();
    CSurfaceScope scope(*this);
    ::RedrawAll(m_rec, m_screen, surface.m_dc, *m_pPane, Running());
}

void CZEFView::RedrawPlot() {
    CSurface& surface = AcquireSurface();
    CSurfaceScope scope(*this);
    ::RedrawPlot(m_rec, m_screen, surface.m_dc);
}

void CZEFView::OnInitialUpdate() {
    CSurface& surface = AcquireSurface();
    CSurfaceScope scope(*this);
    m_rec.RecordPoint(surface.m_drawing, 0, 0, 0, RECORD_CLEAR);
    for (CurveTable* pTable : {&m_rec.m_lift, &m_rec.m_drag, &m_rec.m_cd, &m_rec.m_ld}) {
        TestRecord::ClearOverlayTable(*pTable);
    }
}

// --- Run commands ------------------------------------------------------------------------------

void CZEFView::ClearPreviousResults() {
    CSurface& surface = AcquireSurface();
    CSurfaceScope scope(*this);
    m_rec.RecordPoint(surface.m_drawing, 0, 0, 0, RECORD_CLEAR);
    ::RedrawPlot(m_rec, m_screen, surface.m_dc);
    // Emptied on purpose: no copy of it is kept, and it is not brought back.
    m_services.m_recovery.Saved();
    m_undo.Forget();
}

void CZEFView::StopMarked() {
    m_services.m_recovery.Write(m_rec);
}

int CZEFView::MessageBox(const QString& strText, unsigned nType) {
    return m_services.m_boxes.Show(strText, nType);
}

void CZEFView::BeforeRun() {
    if (m_fnBeforeRun) {
        m_fnBeforeRun();
    }
}

void CZEFView::OnSetWindSpeed() {
    BeforeRun();
    if (!m_run.BeginSpeedCommand()) {
        return;
    }
    CWindSpeedDlg dlg(m_services.m_boxes, window());
    dlg.m_strSpeed = QStringLiteral("0");
    // Any unit setting but 0 is English, and the label must say the unit the number is taken in.
    dlg.m_bEnglish = m_rec.m_bEnglish ? 1 : 0;
    if (dlg.DoModal() != QDialog::Accepted) {
        return;  // the poll timer stays stopped until another command starts it
    }
    m_run.SetTypedTarget(dlg.m_strSpeed.toStdString());
}

void CZEFView::OnIncrementWindSpeed() {
    BeforeRun();
    m_run.IncreaseTarget();
}

void CZEFView::OnDecrementWindSpeed() {
    BeforeRun();
    m_run.DecreaseTarget();
}

void CZEFView::OnGraphDoubleClick(const QPoint& ptClick) {
    BeforeRun();
    if (!m_run.BeginSpeedCommand()) {
        return;
    }
    m_run.SetPointedTarget(SpeedUnitsAtX(m_rec, m_screen, ptClick.x() * devicePixelRatioF()));
}

void CZEFView::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        const QPoint ptClick = pEvent->position().toPoint();
        QPointer<CZEFView> pView(this);
        m_services.m_port.Gate().Submit([pView, ptClick] {
            if (pView) {
                pView->OnGraphDoubleClick(ptClick);
            }
        });
    }
    QWidget::mouseDoubleClickEvent(pEvent);
}

void CZEFView::OnStopWind() {
    m_run.StopWind();
}

void CZEFView::OnClearGraph() {
    KeepUndoStep();
    m_services.m_recovery.Replaced();
    CSurface& surface = AcquireSurface();
    CSurfaceScope scope(*this);
    m_rec.RecordPoint(surface.m_drawing, 0, 0, 0, RECORD_CLEAR);
    ::RedrawAll(m_rec, m_screen, surface.m_dc, *m_pPane, Running());
}

void CZEFView::OnOverlaySet() {
    m_undo.Forget();
    m_rec.SetOverlay();
    RedrawPlot();
}

void CZEFView::OnOverlayClear() {
    KeepUndoStep();
    m_rec.ClearOverlay();
    RedrawPlot();
}

void CZEFView::KeepUndoStep() {
    m_undo.Keep(m_rec, m_services.m_recovery.Unsaved());
}

bool CZEFView::CanUndo() const {
    return m_undo.Available() && !Running() && m_services.m_port.m_nPollTimer == 0;
}

void CZEFView::OnEditUndo() {
    bool bUnsaved = false;
    const std::int32_t bEnglish = m_rec.m_bEnglish;
    if (!CanUndo() || !m_undo.Restore(m_rec, bUnsaved)) {
        return;
    }
    m_services.m_recovery.SetUnsaved(bUnsaved);
    m_services.m_recovery.Write(m_rec);
    // The unit system undone is the one the next start opens in, as Configure would store it.
    if (m_rec.m_bEnglish != bEnglish) {
        m_services.m_profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_UNITS, m_rec.m_bEnglish);
    }
    RedrawAll();
}

// --- Dialogs -----------------------------------------------------------------------------------

void CZEFView::OnComments() {
    CCommentsDlg dlg(m_services.m_boxes, window());
    for (int i = 0; i < CCommentsDlg::LINE_COUNT; ++i) {
        dlg.m_strLine[i] = TextFromBytes(m_rec.m_strComment[i]);
    }
    if (dlg.DoModal() != QDialog::Accepted) {
        return;
    }
    CUndo before;
    before.Keep(m_rec, m_services.m_recovery.Unsaved());
    const auto comments = m_rec.m_strComment;
    for (int i = 0; i < CCommentsDlg::LINE_COUNT; ++i) {
        // A line left as it was keeps its bytes, also one a file brought in another encoding.
        if (dlg.m_strLine[i] != TextFromBytes(m_rec.m_strComment[i])) {
            m_rec.m_strComment[i] = BytesFromText(dlg.m_strLine[i]);
        }
    }
    if (m_rec.m_strComment != comments) {
        m_undo = std::move(before);
        m_services.m_recovery.Changed();
        m_services.m_recovery.Write(m_rec);
    }
    RedrawPlot();
}

void CZEFView::OnConfigure() {
    CTestConfigDlg dlg(m_services.m_boxes, window());
    const CTestConfig shown = ShownTestConfig(m_rec);
    dlg.m_nUnits = shown.m_nUnits;
    dlg.m_nMaxSpeed = shown.m_nMaxSpeed;
    dlg.m_strCdArea = QString::fromStdString(shown.m_strCdArea);
    if (dlg.DoModal() != QDialog::Accepted) {
        return;
    }
    const CTestConfig chosen{dlg.m_nUnits, dlg.m_nMaxSpeed, dlg.m_strCdArea.toStdString()};
    // A test never mixes units: a change of system starts afresh, once the operator agrees to
    // lose what the test holds. No keeps the test in its units; the speed and area still apply.
    bool bNewUnits = chosen.m_nUnits != shown.m_nUnits;
    if (bNewUnits && HoldsResults(m_rec) &&
        m_services.m_boxes.Show(QStringLiteral("Clear Previous Test Results?"),
                                MB_YESNO | MB_ICONQUESTION) != IDYES) {
        bNewUnits = false;
    }
    if (bNewUnits) {
        m_undo.Keep(m_rec, m_services.m_recovery.Unsaved());
        m_services.m_recovery.Replaced();
        m_rec.m_bEnglish = chosen.m_nUnits == 0 ? 1 : 0;
        m_rec.SetDefaultRanges();
        CSurface& surface = AcquireSurface();
        CSurfaceScope scope(*this);
        m_rec.RecordPoint(surface.m_drawing, 0, 0, 0, RECORD_CLEAR);
        ::RedrawAll(m_rec, m_screen, surface.m_dc, *m_pPane, Running());
    }
    ApplyTestConfig(m_rec, chosen, bNewUnits);
    m_services.m_profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_UNITS, m_rec.m_bEnglish);
    m_services.m_profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_MAX_SPEED,
                                         static_cast<int>(m_rec.m_dMaxSpeed + 0.5));
    RedrawAll();
}

void CZEFView::OnAxis() {
    std::unique_ptr<CAxisDlg> pDlg;
    if (m_rec.m_bEnglish) {
        pDlg = std::make_unique<CAxisDlg>(m_services.m_boxes, window());
    } else {
        pDlg = std::make_unique<CMetricAxisDlg>(m_services.m_boxes, window());
    }
    CAxisDlg& dlg = *pDlg;
    const CAxisTops shown = ShownAxisTops(m_rec);
    dlg.m_bLift = shown.m_bLift;
    dlg.m_bDrag = shown.m_bDrag;
    dlg.m_bCdOn = shown.m_bCdOn;
    dlg.m_bLDOn = shown.m_bLDOn;
    dlg.m_strForce = QString::fromStdString(shown.m_strForce);
    dlg.m_strWind = QString::fromStdString(shown.m_strWind);
    dlg.m_strCd = QString::fromStdString(shown.m_strCd);
    dlg.m_strLD = QString::fromStdString(shown.m_strLD);
    if (dlg.DoModal() == QDialog::Accepted) {
        ApplyAxisTops(m_rec, shown,
                      {dlg.m_bLift, dlg.m_bDrag, dlg.m_bCdOn, dlg.m_bLDOn,
                       dlg.m_strForce.toStdString(), dlg.m_strWind.toStdString(),
                       dlg.m_strCd.toStdString(), dlg.m_strLD.toStdString()});
    }
    RedrawAll();
}

void CZEFView::OnComPort() {
    CComPortAsk ask(m_services.m_boxes, m_services.m_profile, m_services.m_devices, window());
    if (::OnComPort(ask, m_services.m_profile, m_services.m_boxes, m_services.m_port)) {
        m_run.WatchAgain();
    }
}

bool CZEFView::QueryClose() {
    const CSerialPort& port = m_services.m_port;
    // At rest, or already told to come to rest: nothing to ask.
    if (!port.m_bRunning || port.m_bReturningToZero) {
        return true;
    }
    switch (m_services.m_boxes.Show(
        QStringLiteral("The wind is still running.\rStop the wind before closing?"),
        MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDNO:
            return true;
        case IDYES:
            OnStopWind();
            // The operator has been told why a stop did not go out; the console stays.
            return !port.m_bRunning || port.m_bReturningToZero;
        default:
            return false;
    }
}

// --- Files -------------------------------------------------------------------------------------

namespace {

// A test file the operator named without regard to the letter case of its extension: a name
// typed without one gets ".ZEF", and "wing" must still open the "wing.zef" the list shows. The
// name as given when it exists, or when no single file differs from it only there.
QString ExistingTestFile(const QString& strPath) {
    const QFileInfo info(strPath);
    if (info.exists() || info.isSymLink() ||
        info.suffix().compare(QLatin1String("ZEF"), Qt::CaseInsensitive) != 0) {
        return strPath;
    }
    const QString strStem = info.fileName().chopped(info.suffix().size());
    QString strFound;
    const QStringList entries = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& strEntry : entries) {
        if (strEntry.size() == info.fileName().size() && strEntry.startsWith(strStem) &&
            strEntry.endsWith(QLatin1String(".ZEF"), Qt::CaseInsensitive)) {
            if (!strFound.isEmpty()) {
                return strPath;  // more than one: the operator must say which
            }
            strFound = strEntry;
        }
    }
    return strFound.isEmpty() ? strPath : info.dir().filePath(strFound);
}

// The folder the file dialogs start in: the one last used for a test, while it is there.
QString TestFolder(const CProfile& profile) {
    const std::optional<std::string> folder =
        profile.GetProfileString(PROFILE_SYSTEM, PROFILE_TEST_FOLDER);
    const QString strFolder = folder ? QFile::decodeName(folder->c_str()) : QString();
    return !strFolder.isEmpty() && QFileInfo(strFolder).isDir() ? strFolder : QString();
}

// Stores a path in the profile, quoted so that blanks at either end stay. A path the profile
// could not give back as written (a line break, a blank before a semicolon) is not stored at all.
void RememberPath(CProfile& profile, const char* pKey, const QString& strPath) {
    const QByteArray name = QFile::encodeName(strPath);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f ||
            (c == ';' && i > 0 && (name[i - 1] == ' ' || name[i - 1] == '\t'))) {
            return;
        }
    }
    profile.WriteProfileString(PROFILE_SYSTEM, pKey, '"' + name.toStdString() + '"');
}

// Stores the folder of a test just opened or saved.
void RememberTestFolder(CProfile& profile, const QString& strPath) {
    const QString strFolder = QFileInfo(strPath).absolutePath();
    if (strFolder != TestFolder(profile)) {
        RememberPath(profile, PROFILE_TEST_FOLDER, strFolder);
    }
}

constexpr char PROFILE_PRINT_FILE[] = "Print File";

// The file the last print went to, while its folder is there; none when it went to a printer.
QString PrintFile(const CProfile& profile) {
    const std::optional<std::string> file =
        profile.GetProfileString(PROFILE_SYSTEM, PROFILE_PRINT_FILE);
    const QString strFile = file ? QFile::decodeName(file->c_str()) : QString();
    return !strFile.isEmpty() && QFileInfo(strFile).absoluteDir().exists() ? strFile : QString();
}

// The file dialogs: Qt's own, so that the filters and their case rule are the same everywhere.
// A name with a wildcard ("*.ZEF", as the dialog starts) lists what it matches rather than
// naming a file.
class CTestFileDialog : public QFileDialog {
public:
    // strFolder: where to start, when known.
    CTestFileDialog(QWidget* pParent, bool bSave, const QString& strFolder) : QFileDialog(pParent) {
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // Open does not insist that the file exists; Save asks before it replaces one.
        setFileMode(QFileDialog::AnyFile);
        setDefaultSuffix(QStringLiteral("ZEF"));
        setNameFilters(FILE_FILTERS);
        // Names match their filter whatever their letter case, so "*.ZEF" also shows "wing.zef".
        // Qt's dialog does so unless told otherwise; this keeps it so.
        setFilter(filter() & ~QDir::CaseSensitive);
        if (!strFolder.isEmpty()) {
            setDirectory(strFolder);
        }
        selectFile(QStringLiteral("*.ZEF"));
        m_pName = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        m_pModel = findChild<QFileSystemModel*>();
        // "All Files (*.*)" lists every file, those without an extension too, which "*.*" would
        // pass over; the filter is applied here rather than by the dialog, which would also
        // turn a name being saved into "wing.*".
        if (auto* pTypes = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            QObject::disconnect(pTypes, SIGNAL(activated(int)), this, SLOT(_q_useNameFilter(int)));
            connect(pTypes, &QComboBox::activated, this, [this, bSave](int nIndex) {
                const bool bAll = nIndex == 1;
                if (m_pModel) {
                    m_pModel->setNameFilters(
                        {bAll ? QStringLiteral("*") : QStringLiteral("*.ZEF")});
                }
                // Among all files a name is opened as given, an extension added only when no
                // file has the name.
                if (!bSave) {
                    setDefaultSuffix(bAll ? QString() : QStringLiteral("ZEF"));
                }
            });
        }
    }

    // The name as the operator typed it.
    QString TypedName() const { return m_pName ? m_pName->text().trimmed() : QString(); }

    void accept() override {
        const QString strName = m_pName ? m_pName->text().trimmed() : QString();
        if (strName.contains(QLatin1Char('*')) || strName.contains(QLatin1Char('?'))) {
            if (m_pModel) {
                m_pModel->setNameFilters(strName.split(QLatin1Char(';'), Qt::SkipEmptyParts));
            }
            return;
        }
        QFileDialog::accept();
    }

protected:
    // The pattern first shown is typed over.
    void showEvent(QShowEvent* pEvent) override {
        QFileDialog::showEvent(pEvent);
        if (m_pName) {
            m_pName->setFocus();
            m_pName->selectAll();
        }
    }

private:
    QLineEdit* m_pName = nullptr;
    QFileSystemModel* m_pModel = nullptr;
};

QString AskFile(QWidget* pParent, bool bSave, const QString& strFolder) {
    CTestFileDialog dlg(pParent, bSave, strFolder);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return {};
    }
    QString strPath = dlg.selectedFiles().constFirst();
    // Only a name that is not there gets the extension: a link that leads nowhere (a loop, a
    // lost target) is there, and opening it by its own name tells why it cannot be read. The
    // dialog adds the extension to any name it cannot follow, so the name typed decides.
    const QString strTyped = dlg.TypedName();
    const QFileInfo typed(dlg.directory(), strTyped);
    if (!bSave && !strTyped.isEmpty() && typed.isSymLink() && !typed.exists()) {
        return typed.filePath();
    }
    if (!bSave && dlg.defaultSuffix().isEmpty() && !QFileInfo::exists(strPath) &&
        !QFileInfo(strPath).isSymLink() &&
        !QFileInfo(strPath).fileName().contains(QLatin1Char('.'))) {
        strPath += QStringLiteral(".ZEF");
    }
    return bSave ? strPath : ExistingTestFile(strPath);
}

QString Quoted(const QString& strPath) {
    return QStringLiteral("\"%1\"").arg(strPath);
}

}  // namespace

void CZEFView::OnFileOpen() {
    const QString strPath = AskFile(window(), false, TestFolder(m_services.m_profile));
    if (!strPath.isEmpty() && OpenTestFile(strPath)) {
        RememberTestFolder(m_services.m_profile, strPath);
    }
}

bool CZEFView::OpenTestFile(const QString& strPath) {
    CUndo before;
    before.Keep(m_rec, m_services.m_recovery.Unsaved());
    const FileResult result = ReadTestFile(m_rec, strPath);
    RedrawAll();
    QString strWhat;
    switch (result.status) {
        case FileStatus::Ok:
            m_undo = std::move(before);
            m_services.m_recovery.Replaced();
            m_strTestFile = strPath;
            if (!result.Whole()) {
                // What was read is shown, and the operator is told what it lacks.
                m_services.m_boxes.Show(
                    QStringLiteral("%1 was not read whole.\r%2\rThe points read are now the "
                                   "current test; Undo brings back the test shown before.")
                        .arg(Quoted(strPath), DescribeShortfall(result).join(QLatin1Char('\r'))),
                    MB_OK | MB_ICONEXCLAMATION);
            }
            return true;
        case FileStatus::NotTestFile:
            strWhat = QStringLiteral("%1 is not a Zefron test file.").arg(Quoted(strPath));
            break;
        case FileStatus::CannotOpen:
            strWhat = QStringLiteral("Cannot open %1:\r%2").arg(Quoted(strPath), result.strError);
            break;
        default:
            strWhat = QStringLiteral("Cannot read %1:\r%2").arg(Quoted(strPath), result.strError);
            break;
    }
    m_services.m_boxes.Show(strWhat + QStringLiteral("\rThe current test is unchanged."),
                            MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CZEFView::OnFileSave() {
    const QString strPath = AskFile(window(), true, TestFolder(m_services.m_profile));
    if (!strPath.isEmpty() && SaveTestFile(strPath)) {
        RememberTestFolder(m_services.m_profile, strPath);
    }
}

bool CZEFView::SaveTestFile(const QString& strPath) {
    // The writer never touches a file already there unless the whole new one takes its place.
    const bool bExisted = QFileInfo::exists(strPath);
    const FileResult result = WriteTestFile(m_rec, strPath);
    if (result.Ok()) {
        m_services.m_recovery.Saved();
        m_strTestFile = strPath;
    } else {
        QString strText = QStringLiteral("Cannot save the test to %1:\r%2\rThe test was not saved.")
                              .arg(Quoted(strPath), result.strError);
        if (bExisted) {
            strText += QStringLiteral(" The file already there is unchanged.");
        }
        m_services.m_boxes.Show(strText, MB_OK | MB_ICONEXCLAMATION);
    }
    return result.Ok();
}

// --- Printing ----------------------------------------------------------------------------------

void CZEFView::PrintPage(QPrinter& printer) {
    printer.setDocName(QString());  // the document has no title
    CGraphDC dc(printer, true);
    if (dc.IsActive()) {
        // The page has a screen of its own; the window's stays as it is.
        m_rec.ApplyUnitScales();
        PrintPass(m_rec, dc, *m_pPane, Running());
    }
}

void CZEFView::OnFilePrint(QPrinter& printer) {
    // The dialog starts where the last print went, from one run to the next: a lab's printouts
    // to file gather in one folder, and a print to a printer leaves the desktop's choice.
    if (const QString strLast = PrintFile(m_services.m_profile);
        !strLast.isEmpty() && printer.outputFileName().isEmpty()) {
        printer.setOutputFileName(strLast);
    }
    QPrintDialog dlg(&printer, window());
    // One page, always.
    dlg.setMinMax(1, 1);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dlg.setOption(QAbstractPrintDialog::PrintSelection, false);
    dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dlg.exec() == QDialog::Accepted) {
        if (printer.outputFileName() != PrintFile(m_services.m_profile)) {
            RememberPath(m_services.m_profile, PROFILE_PRINT_FILE, printer.outputFileName());
        }
        printer.setPrintRange(QPrinter::AllPages);
        PrintPage(printer);
    }
}

void CZEFView::OnFilePrintPreview(QPrinter& printer) {
    QPrintPreviewDialog dlg(&printer, window());
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pPrinter) { PrintPage(*pPrinter); });
    dlg.exec();
}
