// Number and date texts shared by the log, the details report and the settings file.
#pragma once

#include <cstdint>

#include "runtime/short_text.h"

namespace rt {

ShortText NumberText(int64_t value);            // decimal, no leading zeros, blanks or separators
ShortText TwoDigits(uint32_t value);            // "07"
const char* DaySuffix(uint32_t day);            // "st", "nd", "rd" or "th"
const char* MonthName(uint32_t month);          // 1 = "January"; "" outside 1..12
ShortText HexText(uint32_t value, int digits);  // upper-case, zero-filled

}  // namespace rt
