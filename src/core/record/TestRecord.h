#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Colours as red, green and blue intensities 0..255, packed as 0x00BBGGRR.
using COLORREF = std::uint32_t;
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xff); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xff); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xff); }

// A rectangle in page units (thousandths of the drawing surface) or device pixels.
struct CRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const CRect&, const CRect&) = default;
};

// Slot i of a table holds the value measured at wind speed i / 10 in display units.
inline constexpr int SLOT_COUNT = 1401;
inline constexpr int LAST_SLOT = SLOT_COUNT - 1;
inline constexpr double EMPTY_SLOT = -999999.9;
inline constexpr int COMMENT_COUNT = 10;

// The slot that holds a wind speed in display units, trunc(speed x 10): -1 below the table (and
// for a speed that is not a number), SLOT_COUNT above it.
int SlotOfSpeed(double dSpeed);
inline bool IsSlot(int nSlot) { return nSlot >= 0 && nSlot <= LAST_SLOT; }

// Modes of RecordPoint.
inline constexpr int RECORD_READING = 0;
inline constexpr int RECORD_CLEAR = 1;
inline constexpr int RECORD_STOP = 2;

inline constexpr COLORREF COLOR_LIGHT_GREY = RGB(192, 192, 192);
inline constexpr COLORREF COLOR_WHITE = RGB(255, 255, 255);

using SlotTable = std::array<double, SLOT_COUNT>;

// One measured quantity: the current test and the overlay, and how they are drawn.
struct CurveTable {
    SlotTable m_dValue;
    SlotTable m_dOverlay;
    COLORREF m_crValue = 0;
    COLORREF m_crOverlay = 0;
    std::int32_t m_nPenStyle = 0;  // 0 = solid
    std::int32_t m_bVisible = 0;
};

// One scale of the graph.
struct GraphAxis {
    CRect m_rcArea;
    double m_dMin = 0.0;
    double m_dFullScale = 0.0;
    double m_dMajorStep = 0.0;
    double m_dMinorStep = 0.0;
    std::int32_t m_nRange = 1;
    std::int32_t m_nScale = 1;
};

// Top of an axis's scale as shown: the full scale halved (range - 1) times.
double DisplayedTop(const GraphAxis& axis);
// The bottom of the scale divided the same way (always 0 for the console's axes).
double DisplayedBottom(const GraphAxis& axis);

// The range whose top is the smallest of the halving series base, base/2, ... that is still at
// least the number at the start of the text (as far as truncation allows). A number above the
// base gives range 1; a text that gives no usable range (zero, negative, no number, or a number
// so small that base / x overflows 32 bits) keeps the current range.
int RangeFromText(double dBase, std::string_view text, int nCurrentRange);

// Puts a blank in place of each control character (line breaks, tabs, NUL, DEL) from nFrom on:
// a comment is one line of the test file and of the printed page.
void BlankControlCharacters(std::string& str, std::size_t nFrom = 0);

class TestRecord;

// Where RecordPoint's live update of the picture goes. The graph draws on the window's image;
// tests record the calls. The record is read only: what the picture keeps of its own (the marker)
// is the drawing's.
class CRecordDrawing {
public:
    virtual ~CRecordDrawing() = default;
    // Erase the four current curves between two slots, as the tables hold them now.
    virtual void EraseStretch(const TestRecord& rec, int nFromSlot, int nToSlot) = 0;
    // Draw the four current curves between two slots with the new values.
    virtual void DrawStretch(const TestRecord& rec, int nFromSlot, int nToSlot) = 0;
    // Remove the wind-speed marker and, when bShow and the speed is not 0, draw it at dSpeed.
    virtual void MoveSpeedMarker(const TestRecord& rec, double dSpeed, int bShow) = 0;
    // Show the numbers of a reading in the status line (the poll limits how often).
    virtual void ShowStatus(const TestRecord& rec, double dSpeed, double dLift, double dDrag,
                            double dCd, double dLD) = 0;
};

// Everything the console holds about the test in progress: its tables, comments, area and unit
// system, and the scales it is plotted on (they follow the unit system). How one surface shows
// it (the surface's size, the plot's background, the marker) is the graph's.
class TestRecord {
public:
    TestRecord(int bEnglish, double dMaxSpeed);

    // Records a reading (mode 0), clears the test (mode 1) or marks a stop (mode 2). Lift, drag
    // and wind are in display units. A reading whose numbers are not finite, or whose slot lies
    // outside the tables, is not recorded; one that is recorded is offered to the status line.
    void RecordPoint(CRecordDrawing& dc, double dLift, double dDrag, double dWind, int nMode);
    void ClearComments();
    void SetOverlay();
    void ClearOverlay();
    static void ClearOverlayTable(CurveTable& table);
    int FirstRecordedSlot() const;

    // Cd of a point in this record's unit system and reference area.
    double DragCoefficient(double dSpeed, double dDrag) const;
    // Puts a reading (display units) into a slot of the current test with its Cd and L/D, both
    // 0 below DERIVED_MIN_SPEED.
    void StoreReading(int nSlot, double dWind, double dLift, double dDrag);

    void SetSpeedRange(int nIndex);
    void SetForceRange(int nIndex);
    void SetCdRange(int nIndex);
    void SetLDRange(int nIndex);
    void ApplyUnitScales();
    // The scales a new test starts on, in its unit system.
    void SetDefaultRanges();

    // The displayed top of the wind axis in slots (top x 10).
    double WindTopSlots() const;
    // The last slot the curves draw: the slot of the wind scale's top, within the table.
    int LastDrawnSlot() const;
    bool IsRecorded(int nSlot) const { return m_lift.m_dValue[nSlot] != EMPTY_SLOT; }

    CRect m_rcPlot{80, 15, 985, 920};
    GraphAxis m_axisWind;
    GraphAxis m_axisForce;
    GraphAxis m_axisCd;
    GraphAxis m_axisLD;
    CurveTable m_lift;
    CurveTable m_drag;
    CurveTable m_cd;
    CurveTable m_ld;
    std::int32_t m_bEnglish;
    double m_dMaxSpeed;
    double m_dCdArea = 1.0;
    std::array<std::string, COMMENT_COUNT> m_strComment;
    std::int32_t m_nLastSlot = 0;

private:
    void EmptySlots(int nFirst, int nLast);
};
