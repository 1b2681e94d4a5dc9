// Live updates of the window's image while a test runs. After any run of readings inside the
// displayed range, the image must be the freshly drawn frame with the final curves and marker
// drawn on it in exclusive-or, pixel for pixel; drawing those again must give back the frame.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "GraphTestSupport.h"

namespace {

// The current curves and the marker of a record, drawn in exclusive-or.
void XorCurvesAndMarker(const TestRecord& rec, QImage& image) {
    CGraphDC dc(image);
    const double dTop = DisplayedTop(rec.m_axisWind);
    DrawCurve(rec, dc, rec.m_lift, rec.m_axisForce, 0, dTop, DRAW_XOR);
    DrawCurve(rec, dc, rec.m_drag, rec.m_axisForce, 0, dTop, DRAW_XOR);
    DrawCurve(rec, dc, rec.m_cd, rec.m_axisCd, 0, dTop, DRAW_XOR);
    DrawCurve(rec, dc, rec.m_ld, rec.m_axisLD, 0, dTop, DRAW_XOR);
    if (rec.m_bMarkerShown && rec.m_dMarkerSpeed != EMPTY_SLOT) {
        DrawSpeedLine(rec, dc, rec.m_dMarkerSpeed, DRAW_XOR, COLOR_MARKER, PEN_SOLID);
    }
}

class LiveUpdate : public ::testing::Test {
protected:
    void Start(TestRecord record, int nWidth, int nHeight) {
        rec = std::move(record);
        rec.m_fnClock = [this] { return tNow; };
        image = Painted(rec, nWidth, nHeight);
    }
    void Reading(double dWind, double dLift, double dDrag, int nMode = RECORD_READING) {
        CGraphDC dc(image);
        CWindowDrawing live(dc, pane, [this] { return bRunning; });
        rec.RecordPoint(live, dLift, dDrag, dWind, nMode);
        tNow += 150;
    }
    // The full draw of the record without its current curves.
    QImage Frame() const {
        TestRecord bare = rec;
        for (CurveTable* pTable : {&bare.m_lift, &bare.m_drag, &bare.m_cd, &bare.m_ld}) {
            pTable->m_dValue.fill(EMPTY_SLOT);
        }
        return Painted(bare, image.width(), image.height());
    }
    QImage Expected() const {
        QImage expected = Frame();
        XorCurvesAndMarker(rec, expected);
        return expected;
    }
    // Checks the image against the frame with the curves drawn on it, then that erasing them
    // leaves exactly the frame.
    void CheckInvariant() {
        ASSERT_TRUE(image == Expected()) << "at reading " << nReadings;
        QImage erased = image;
        XorCurvesAndMarker(rec, erased);
        ASSERT_TRUE(erased == Frame()) << "at reading " << nReadings;
    }
    // A random run inside the displayed range: rises, falls, readings in the same slot, stops,
    // and jumps; forces negative, inside and above the scale.
    void RandomRun(quint32 nSeed, int nCount) {
        QRandomGenerator rng(nSeed);
        const int nTopSlot = static_cast<int>(std::trunc(DisplayedTop(rec.m_axisWind) * 10));
        const double dForceTop = DisplayedTop(rec.m_axisForce);
        for (nReadings = 0; nReadings < nCount; ++nReadings) {
            const int r = rng.bounded(100);
            int nSlot = rec.m_nLastSlot;
            if (r < 4) {
                Reading(0, 0, 0, RECORD_STOP);
                continue;
            }
            if (r < 15) {
                // the same slot again
            } else if (r < 55) {
                nSlot += rng.bounded(1, 25);
            } else if (r < 85) {
                nSlot -= rng.bounded(1, 40);
            } else if (r < 90) {
                nSlot = nTopSlot - rng.bounded(2);  // the top slot is drawn too
            } else {
                nSlot = rng.bounded(nTopSlot + 1);
            }
            nSlot = std::clamp(nSlot, 0, nTopSlot);
            // Anywhere inside the slot, up to the displayed top itself.
            const double dWind =
                std::min((nSlot + rng.generateDouble()) * 0.1, DisplayedTop(rec.m_axisWind));
            const double dLift = dForceTop * (rng.generateDouble() * 1.4 - 0.3);
            const double dDrag = dForceTop * rng.generateDouble() * 0.5;
            Reading(dWind, dLift, dDrag);
            if (nReadings % 50 == 49) {
                CheckInvariant();
            }
        }
        CheckInvariant();
    }

    TestRecord rec{1, 80.0};
    QImage image;
    CRecordingPane pane;
    bool bRunning = true;
    std::int64_t tNow = 1000;
    int nReadings = 0;
};

}  // namespace

TEST_F(LiveUpdate, RunsOfReadingsKeepTheImageExact) {
    Start(FreshRecord(), 1000, 700);
    RandomRun(1, 400);
}

TEST_F(LiveUpdate, AllFourCurvesOverAnOverlayInMetricUnits) {
    TestRecord record = FreshRecord(0);
    record.m_cd.m_bVisible = 1;
    record.m_ld.m_bVisible = 1;
    for (int j = 0; j < SLOT_COUNT; j += 7) {
        record.m_lift.m_dOverlay[j] = 0.3 + 0.2 * std::sin(j * 0.01);
        record.m_drag.m_dOverlay[j] = 0.05 + j * 0.0002;
        record.m_cd.m_dOverlay[j] = 0.8;
        record.m_ld.m_dOverlay[j] = j * 0.01;
    }
    record.m_strComment[0] = "overlay run";
    Start(std::move(record), 1024, 768);
    RandomRun(2, 300);
}

TEST_F(LiveUpdate, NarrowScalesOnALargeImage) {
    TestRecord record = FreshRecord();
    record.SetSpeedRange(3);  // 0..21.25 mph: slots two pixels or more apart
    record.SetForceRange(4);
    record.m_ld.m_bVisible = 1;
    record.SetLDRange(3);
    Start(std::move(record), 1920, 1080);
    RandomRun(3, 300);
}

TEST_F(LiveUpdate, AReadingAtTheTopOfTheScaleThenJustBelowIt) {
    // 85.0 mph is the top of the English scale at range 1; its slot is drawn. A reading just
    // below must redraw the line up to it, not leave the old one standing.
    Start(FreshRecord(), 1000, 700);
    Reading(40.0, 0.4, 0.1);
    Reading(85.05, 0.9, 0.2);
    CheckInvariant();
    Reading(60.0, 0.5, 0.1);
    Reading(84.95, 0.8, 0.2);  // risen to just below the top
    CheckInvariant();
    Reading(84.95, 0.6, 0.15);
    CheckInvariant();
    Reading(84.92, 0.3, 0.1);  // the same slot again
    CheckInvariant();
    Reading(85.0, 0.2, 0.1);
    Reading(84.9, 0.7, 0.3);
    CheckInvariant();
}

TEST_F(LiveUpdate, PrintingDuringARunLeavesTheMarkerOnTheWindowToBeMoved) {
    Start(FreshRecord(), 1000, 700);
    Reading(20.0, 0.2, 0.05);
    Reading(30.0, 0.3, 0.07);
    ASSERT_EQ(rec.m_bMarkerShown, 1);
    QImage page(800, 1100, QImage::Format_RGB32);
    {
        CGraphDC dc(page, true);
        PrintPass(rec, dc, pane, true);
    }
    EXPECT_EQ(rec.m_bMarkerShown, 1);
    EXPECT_EQ(rec.m_dMarkerSpeed, 30.0);
    Reading(35.0, 0.35, 0.08);  // moves the marker on the window
    CheckInvariant();
}

TEST_F(LiveUpdate, AFullRedrawLeavesNoMarkerOutsideThePlot) {
    // 86 mph is past the top of the English scale (85): its marker stands on the white margin
    // right of the plot. A redraw clears it with the page and must not draw it back.
    Start(FreshRecord(), 1000, 700);
    Reading(86.0, 0.2, 0.05);
    const int x = Round(80 + 860 * 905.0 / 850);
    ASSERT_LT(x, 1000);
    EXPECT_FALSE(Is(image, x, 300, COLOR_WHITE));
    {
        CGraphDC dc(image);
        RedrawAll(rec, dc, pane, true);
    }
    EXPECT_EQ(rec.m_bMarkerShown, 0);
    TestRecord copy = rec;
    EXPECT_TRUE(image == Painted(copy, 1000, 700));
    // On a plot redraw the marker is still there to be removed, and is.
    Reading(86.1, 0.2, 0.05);
    Reading(86.0, 0.2, 0.05);
    EXPECT_FALSE(Is(image, x, 300, COLOR_WHITE));
    {
        CGraphDC dc(image);
        RedrawPlot(rec, dc);
    }
    EXPECT_TRUE(Is(image, x, 300, COLOR_WHITE));
}

TEST_F(LiveUpdate, TheViewLearnsWhichPartOfTheImageChanged) {
    Start(FreshRecord(), 1000, 700);
    Reading(30.0, 0.5, 0.1);
    CGraphDC dc(image);
    CWindowDrawing live(dc, pane, [] { return false; });
    rec.RecordPoint(live, 0.55, 0.1, 30.05, RECORD_READING);  // same slot: no marker move
    const QRect rcChanged = dc.TakeChangedRect();
    // The stretch from the origin to 30 mph, no further right.
    EXPECT_LE(rcChanged.left(), 80);
    EXPECT_GE(rcChanged.right(), Round(80 + 300 * 905.0 / 850) - 1);
    EXPECT_LE(rcChanged.right(), Round(80 + 300 * 905.0 / 850));
}
