#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// Numbers as the console reads and prints them. Both sides are independent of the process's
// locale (a German desktop must not turn "0.125" into "0,125" in a test file), and printing
// rounds a decimal half away from zero, as the console always has ("%2.0lf" of 32.5 is "33").

// Reads the decimal number at the start of the text the way "%lf" and atof do: leading white
// space, an optional sign, digits with an optional decimal point, an optional exponent. Hex
// forms, "inf" and "nan" are not numbers here. Returns nothing when the text does not start with
// a number; otherwise the value (which may be infinite when it overflows a double) and, through
// pEnd, the count of characters used.
std::optional<double> LeadingNumber(std::string_view text, size_t* pEnd = nullptr);

// Three numbers as "%lf,%lf,%lf" reads them: each comma follows its number directly, blanks may
// stand before a number, and anything after the third is ignored. Nothing unless all three are
// there and finite.
std::optional<std::array<double, 3>> ScanThreeNumbers(std::string_view text);

// The value of LeadingNumber, or 0.0 when there is none: the console's "text to number".
double TextToNumber(std::string_view text);

// printf's "%[+]<width>.<precision>f", rounding exact halves away from zero.
std::string FormatFixed(double dValue, int nPrecision, int nWidth = 0, bool bSign = false);

// printf's "%+g" (six significant digits, trailing zeros dropped).
std::string FormatSignedG(double dValue);
