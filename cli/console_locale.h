// What the console takes from the environment's locale: the number separators
// (LC_NUMERIC) and the names of days and months (LC_TIME). Both are read once and the
// program's own locale is left as "C", so nothing else changes behaviour.
#pragma once

#include <string>

#include "platform/files.h"
#include "app/format.h"

struct TDateNames {
    std::string Days[7];    // abbreviated, Sunday first
    std::string Months[12]; // abbreviated, January first
};

TNumberFormat EnvironmentNumberFormat();
TDateNames EnvironmentDateNames();
// English names, as the C locale gives them.
TDateNames CDateNames();

// "Sun, 6 Dec 2026 5:33.35": the day, the day of the month, the month, the year, then the
// hour without a leading zero, the time separator, minutes and seconds.
std::string DateTimeText(const files::TLocalTime& time, const TDateNames& names,
                         char timeSeparator);
