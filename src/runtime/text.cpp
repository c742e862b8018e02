#include "runtime/text.h"

#include <cstdio>

namespace rt {

ShortText NumberText(int64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return ShortText(buffer);
}

ShortText TwoDigits(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02u", value);
    return ShortText(buffer);
}

const char* DaySuffix(uint32_t day) {
    switch (day) {
        case 1:
        case 21:
        case 31:
            return "st";
        case 2:
        case 22:
            return "nd";
        case 3:
        case 23:
            return "rd";
        default:
            return "th";
    }
}

const char* MonthName(uint32_t month) {
    static const char* const kNames[12] = {"January",   "February", "March",    "April",
                                           "May",       "June",     "July",     "August",
                                           "September", "October",  "November", "December"};
    return month >= 1 && month <= 12 ? kNames[month - 1] : "";
}

ShortText HexText(uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return ShortText(buffer);
}

}  // namespace rt
