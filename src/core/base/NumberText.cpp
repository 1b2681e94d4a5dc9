#include "core/base/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// strtod in the "C" locale, whatever locale the application set.
double StrtodC(const std::string& s) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(s.c_str(), nullptr, cLocale);
}

// True when the exact value of d lies exactly halfway between two multiples of 10^-precision.
// d = m * 2^e with m odd; 2 * 10^p * d = m * 5^p * 2^(e+1+p) is an odd integer iff e = -(p+1).
bool IsDecimalTie(double d, int nPrecision) {
    if (d == 0 || !std::isfinite(d)) {
        return false;
    }
    int e = 0;
    double m = std::frexp(std::fabs(d), &e);  // d = m * 2^e, 0.5 <= m < 1
    // Scale the mantissa to a 53-bit integer, then strip its trailing zero bits.
    const auto n = static_cast<unsigned long long>(std::ldexp(m, 53));
    e = e - 53 + __builtin_ctzll(n);
    return e == -(nPrecision + 1);
}

}  // namespace

std::optional<double> LeadingNumber(std::string_view text, size_t* pEnd) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t nDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++nDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++nDigits;
        }
    }
    if (nDigits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    if (pEnd) {
        *pEnd = i;
    }
    // from_chars reads exactly and in any locale, but takes no '+' and reports overflow and
    // underflow alike; those rare cases go to the C library.
    const char* pFirst = text.data() + start;
    if (*pFirst == '+') {
        ++pFirst;
    }
    double dValue = 0;
    auto res = std::from_chars(pFirst, text.data() + i, dValue);
    if (res.ec == std::errc()) {
        return dValue;
    }
    return StrtodC(std::string(text.substr(start, i - start)));
}

std::optional<std::array<double, 3>> ScanThreeNumbers(std::string_view text) {
    std::array<double, 3> values{};
    for (std::size_t k = 0; k < values.size(); ++k) {
        std::size_t nUsed = 0;
        const auto dValue = LeadingNumber(text, &nUsed);
        if (!dValue || !std::isfinite(*dValue)) {
            return std::nullopt;
        }
        values[k] = *dValue;
        text.remove_prefix(nUsed);
        if (k + 1 < values.size()) {
            if (text.empty() || text.front() != ',') {
                return std::nullopt;
            }
            text.remove_prefix(1);
        }
    }
    return values;
}

double TextToNumber(std::string_view text) { return LeadingNumber(text).value_or(0.0); }

namespace {

constexpr double POWERS_OF_TEN[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// The common case without the exact long-hand conversion: scale to an integer count of the last
// digit and round. Taken only when the scaled value is far enough from a half that the product's
// own rounding cannot decide the digit; otherwise it reports false.
bool FormatFixedFast(double dValue, int nPrecision, char* pOut, std::size_t& nLen) {
    if (nPrecision < 0 || nPrecision > 9 || !(std::fabs(dValue) < 1e6)) {
        return false;
    }
    const double dScaled = std::fabs(dValue) * POWERS_OF_TEN[nPrecision];
    const double dFloor = std::floor(dScaled);
    const double dFraction = dScaled - dFloor;
    if (std::fabs(dFraction - 0.5) < 1e-5) {
        return false;
    }
    auto nUnits = static_cast<unsigned long long>(dFloor) + (dFraction > 0.5 ? 1 : 0);
    char digits[32];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + nUnits % 10);
        nUnits /= 10;
    } while (nUnits != 0 || n <= nPrecision);
    nLen = 0;
    for (int i = n - 1; i >= 0; --i) {
        pOut[nLen++] = digits[i];
        if (i == nPrecision && nPrecision > 0) {
            pOut[nLen++] = '.';
        }
    }
    return true;
}

}  // namespace

std::string FormatFixed(double dValue, int nPrecision, int nWidth, bool bSign) {
    char fast[40];
    std::size_t nFast = 0;
    if (FormatFixedFast(dValue, nPrecision, fast, nFast)) {
        std::string s;
        const bool bNegative = std::signbit(dValue);
        const int nLength = static_cast<int>(nFast) + ((bNegative || bSign) ? 1 : 0);
        if (nLength < nWidth) {
            s.assign(nWidth - nLength, ' ');
        }
        if (bNegative) {
            s.push_back('-');
        } else if (bSign) {
            s.push_back('+');
        }
        s.append(fast, nFast);
        return s;
    }
    if (IsDecimalTie(dValue, nPrecision)) {
        // Nudge an exact half to the next double away from zero; correct rounding of that gives
        // the away-from-zero result.
        dValue = std::nextafter(dValue, dValue > 0 ? HUGE_VAL : -HUGE_VAL);
    }
    char buf[400];
    char* p = buf;
    if (bSign && !std::signbit(dValue)) {
        *p++ = '+';
    }
    auto res = std::to_chars(p, buf + sizeof buf, dValue, std::chars_format::fixed, nPrecision);
    std::string s(buf, res.ec == std::errc() ? res.ptr : p);
    if (static_cast<int>(s.size()) < nWidth) {
        s.insert(0, nWidth - s.size(), ' ');
    }
    return s;
}

std::string FormatSignedG(double dValue) {
    char buf[64];
    char* p = buf;
    if (!std::signbit(dValue)) {
        *p++ = '+';
    }
    auto res = std::to_chars(p, buf + sizeof buf, dValue, std::chars_format::general, 6);
    return std::string(buf, res.ec == std::errc() ? res.ptr : p);
}
