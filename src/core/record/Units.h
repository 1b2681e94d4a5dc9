#pragma once

// Units of the console, the conversions between them, and the two derived quantities plotted
// beside lift and drag. Every factor is the exact decimal value the console has always used, so
// that stored tests and the controller's readings give the same numbers they always gave.

// Speeds
inline constexpr double KMH_PER_MPH = 1.60934;
inline constexpr double MPH_PER_KMH = 0.6213727366498067;
// Forces
inline constexpr double KG_PER_LB = 0.453592;
inline constexpr double LB_PER_KG = 2.2046244201837775;
// Cd reference area
inline constexpr double SQCM_PER_SQIN = 6.4516;
inline constexpr double SQIN_PER_SQCM = 0.15500031000061998;
// Drag coefficient
inline constexpr double FEET_PER_MILE = 5280;
inline constexpr double HOURS_PER_SECOND = 0.0002777777777777778;
inline constexpr double SQFT_PER_SQIN = 0.006944444444444444;
inline constexpr double DYNAMIC_PRESSURE_FACTOR = 0.0375;  // half of 0.075 lb/cu. ft of air
inline constexpr double FORCE_FACTOR = 32;                   // gravity, ft/s^2
inline constexpr double CD_CEILING = 2.0;
inline constexpr double CD_DENOMINATOR_FLOOR = 1e-100;
// Lift-to-drag ratio
inline constexpr double LD_DRAG_FLOOR = 0.002;
inline constexpr double LD_LIMIT = 20;
// Below this speed (display units) a recorded or loaded point gets Cd and L/D of 0.
inline constexpr double DERIVED_MIN_SPEED = 5.0;
// Readings are smoothed with this weight.
inline constexpr int SMOOTHING_DIVISOR = 3;
// Two km/h in mph: the Increment/Decrement step of 5 becomes 10 km/h in Metric.
inline constexpr double METRIC_SPEED_STEP_FACTOR = 1.2427454732996135;
// The status line shows "******" for a Cd or L/D at or above this value.
inline constexpr double NOT_COMPUTABLE = 99999.9;
// The controller speaks tenths of a mph and thousandths of a pound.
inline constexpr double CONTROLLER_WIND_SCALE = 0.1;
inline constexpr double CONTROLLER_FORCE_SCALE = 0.001;

// Moves the previous smoothed value 1/n of the way toward the new sample; n < 2 returns the
// sample. Evaluated as x/n + p - p/n, in that order.
double SmoothReading(double dSample, double dPrevious, int n);

// The dynamic pressure times the reference area, times gravity: Cd = drag (lb) x FORCE_FACTOR
// / this. Speed in the display units of the unit system, the area in square inches.
double CdDenominator(bool bEnglish, double dCdArea, double dSpeed);

// Cd of a point. Speed and drag are in the display units of the unit system; the area is held in
// square inches in both systems. 0 when the dynamic pressure is negligible, at most 2.0, and
// -NOT_COMPUTABLE for a negative one that overflows (so always finite).
double DragCoefficient(bool bEnglish, double dCdArea, double dSpeed, double dDrag);

// L/D of a point, both forces in the same unit: 0 for drag up to 0.002, else clamped to +-20.
double LiftDragRatio(double dLift, double dDrag);
