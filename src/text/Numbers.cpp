#include <locale.h>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "text/Primitives.h"

// Reading numbers from text: full-width folding, the decimal prefix, and
// truncation toward zero.
namespace avatrix {

Text ToHalfWidth(const Text& text) {
    const std::string_view source = text.view();
    std::string result;
    result.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(source[i]);
        if (byte < 0x80) {
            result.push_back(static_cast<char>(byte));
            continue;
        }
        if (i + 1 >= source.size()) {
            result.push_back(static_cast<char>(byte));
            break;
        }
        const unsigned char trail = static_cast<unsigned char>(source[i + 1]);
        ++i;
        if (byte == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            result.push_back(static_cast<char>(trail & 0x7F));
        } else if (byte == 0xA1 && trail == 0xA1) {
            result.push_back(' ');
        } else if (byte == 0xA1 && trail == 0xAB) {
            result.push_back('~');
        } else if (byte == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            result.push_back('*');
        } else {
            result.push_back(static_cast<char>(byte));
            result.push_back(static_cast<char>(trail));
        }
    }
    return Text(std::move(result));
}

double ToNumber(const Text& text) {
    const std::string folded = ToHalfWidth(text).bytes();
    const char* p = folded.c_str();
    // The C library's white space, whatever the process locale says.
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    // Only a plain decimal number is read: no hexadecimal, infinity or NaN
    // forms, and always '.' as the decimal point.
    const char* q = p;
    if (*q == '+' || *q == '-') {
        ++q;
    }
    std::size_t digits = 0;
    while (*q >= '0' && *q <= '9') {
        ++q;
        ++digits;
    }
    if (*q == '.') {
        ++q;
        while (*q >= '0' && *q <= '9') {
            ++q;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-') {
            ++e;
        }
        if (*e >= '0' && *e <= '9') {
            while (*e >= '0' && *e <= '9') {
                ++e;
            }
            q = e;
        }
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string number(p, q);
    // The prefix holds nothing a locale could read differently but the
    // decimal point, so the process locale is only a fallback.
    if (cLocale == static_cast<locale_t>(0)) {
        return std::strtod(number.c_str(), nullptr);
    }
    return strtod_l(number.c_str(), nullptr, cLocale);
}

int TruncateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double truncated = std::trunc(value);
    if (truncated >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (truncated <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(truncated);
}

}  // namespace avatrix
