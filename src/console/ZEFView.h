#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "console/Services.h"
#include "core/files/Profile.h"
#include "core/link/RunControl.h"
#include "core/record/StatusPane.h"
#include "core/record/TestRecord.h"
#include "core/record/Undo.h"
#include "graph/Graph.h"

class CGraphDC;
class CWindowDrawing;
class QPrinter;

// The main window's client: it holds the test record, shows the graph from an image of its own
// that every drawing pass paints on, keeps the poll timer, and carries the commands that run a
// test to the rules that run it.
class CZEFView : public QWidget, public CRunHost {
public:
    // A view on the console's services, its test set up in the units and to the top speed the
    // settings give.
    CZEFView(const CConsoleServices& services, const StartupSettings& settings,
             QWidget* pParent = nullptr);
    ~CZEFView() override;

    // The status bar's message pane (until it is set, the text goes nowhere). The view writes to
    // it through a relay of its own.
    void SetStatusPane(CStatusPane* pPane);

    // Empties the current test and the overlay; draws nothing.
    void OnInitialUpdate();

    // Run commands.
    void OnSetWindSpeed();
    void OnIncrementWindSpeed();
    void OnDecrementWindSpeed();
    void OnGraphDoubleClick(const QPoint& ptClick);
    void OnStopWind();
    void OnClearGraph();
    void OnOverlaySet();
    void OnOverlayClear();
    // Undo: the test as it was before the last command that replaced or emptied it, while no
    // run is active. Nothing is sent to the controller.
    void OnEditUndo();
    bool CanUndo() const;
    // Keeps the test for Undo before a command replaces it.
    void KeepUndoStep();
    // Dialogs and files.
    void OnComments();
    void OnConfigure();
    void OnAxis();
    void OnComPort();
    // Whether the console may close: a fan left turning is asked about first, and Yes stops it.
    // False when the operator chose to stay, or the stop asked for did not reach the tunnel.
    bool QueryClose();
    void OnFileOpen();
    void OnFileSave();
    // Reads a test file into the record, says what went wrong in a box, and redraws; the body
    // of Open once a file is chosen. True when the file was read.
    bool OpenTestFile(const QString& strPath);
    bool SaveTestFile(const QString& strPath);
    // Printing and preview, one page.
    void OnFilePrint(QPrinter& printer);
    void OnFilePrintPreview(QPrinter& printer);
    void PrintPage(QPrinter& printer);

    // One tick of the poll timer. One that comes due while a reply is awaited runs once the
    // work around it is over.
    void OnTimer();
    // The two redraws commands ask for, on a surface of the window.
    void RedrawAll() override;
    void RedrawPlot();
    // Asks for a full draw at the next paint.
    void Invalidate();

    const QImage& Image() const { return m_image; }
    // How the window's image shows the graph: its size, background and marker.
    const GraphScreen& Screen() const { return m_screen; }
    TestRecord m_rec;
    // The test file last opened or saved ("" before any): the lab sheet names it and its time
    // when it still holds the test.
    QString m_strTestFile;
    // The speed commands, the stop and the poll, on the record.
    CRunControl m_run;
    // Called after each drawing of the record (a tick, a command), when it may have changed.
    std::function<void()> m_fnRecordChanged;
    // Called first by each command that may start a run (the speed commands), before it asks
    // anything or touches the test.
    std::function<void()> m_fnBeforeRun;
    CUndo m_undo;

    // CRunHost
    CRecordDrawing& TickDrawing() override;
    void EndTick() override;
    void SetStatusText(const std::string& strText) override;
    void KillPollTimer() override;
    void SetPollTimer() override;
    void ClearPreviousResults() override;
    void StopMarked() override;
    int MessageBox(const QString& strText, unsigned nType) override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    // The graph's double-click waits for the link's work in progress, as a command does.
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    class CPaneRelay;
    class CSurface;
    class CTickDrawing;
    class CSurfaceScope;
    friend class CSurface;
    friend class CTickDrawing;
    friend class CSurfaceScope;

    // The drawing surface on the window's image for the duration of a command or a tick. Opened
    // on first use and shared by nested users; the changed part of the window is repainted when
    // the outermost user lets go.
    CSurface& AcquireSurface();
    void ReleaseSurface();
    bool Running() const;
    void EnsureImage();
    void BeforeRun();

    CConsoleServices m_services;
    QImage m_image;
    GraphScreen m_screen;
    bool m_bImageStale = true;
    std::unique_ptr<CPaneRelay> m_pRelay;
    CStatusPane* m_pPane;  // the relay
    std::unique_ptr<CSurface> m_pSurface;
    int m_nSurfaceUsers = 0;
    // A paint came while the surface was held; the whole window is painted once it is let go.
    bool m_bPaintDeferred = false;
    // A tick's drawing takes the surface only for each drawing call, so that the window
    // repaints and resizes while the tick waits for the controller.
    std::unique_ptr<CTickDrawing> m_pTickDrawing;
    int m_nTicks = 0;
    // The record changed inside a tick: the data table hears of it once, at the tick's end.
    bool m_bRecordChanged = false;
    // A tick began while the fan was returning to zero.
    bool m_bTickInStop = false;
};
