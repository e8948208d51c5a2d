#include "cli/console_locale.h"

#include <clocale>
#include <ctime>

namespace {

// Runs read() with the category set from the environment, then puts "C" back.
template <typename F> void WithEnvironmentLocale(int category, F read) {
    if (std::setlocale(category, ""))
        read();
    std::setlocale(category, "C");
}

TDateNames DateNamesOfCurrentLocale() {
    TDateNames names;
    std::tm tm{};
    tm.tm_year = 126;
    char buffer[64];
    for (int day = 0; day < 7; ++day) {
        tm.tm_wday = day;
        if (std::strftime(buffer, sizeof buffer, "%a", &tm) > 0)
            names.Days[day] = buffer;
    }
    for (int month = 0; month < 12; ++month) {
        tm.tm_mon = month;
        if (std::strftime(buffer, sizeof buffer, "%b", &tm) > 0)
            names.Months[month] = buffer;
    }
    return names;
}

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

} // namespace

TNumberFormat EnvironmentNumberFormat() {
    TNumberFormat format{"", "."};
    WithEnvironmentLocale(LC_NUMERIC, [&format] {
        const std::lconv* conv = std::localeconv();
        format.ThousandsSeparator = conv->thousands_sep ? conv->thousands_sep : "";
        if (conv->decimal_point && *conv->decimal_point)
            format.DecimalPoint = conv->decimal_point;
    });
    return format;
}

TDateNames CDateNames() {
    std::setlocale(LC_TIME, "C");
    return DateNamesOfCurrentLocale();
}

TDateNames EnvironmentDateNames() {
    TDateNames names = CDateNames();
    WithEnvironmentLocale(LC_TIME, [&names] { names = DateNamesOfCurrentLocale(); });
    return names;
}

std::string DateTimeText(const files::TLocalTime& time, const TDateNames& names,
                         char timeSeparator) {
    const std::string& day = names.Days[(time.DayOfWeek % 7 + 7) % 7];
    const std::string& month = names.Months[((time.Month - 1) % 12 + 12) % 12];
    return day + ", " + std::to_string(time.Day) + " " + month + " " + std::to_string(time.Year) +
           " " + std::to_string(time.Hour) + timeSeparator + TwoDigits(time.Minute) + "." +
           TwoDigits(time.Second);
}
