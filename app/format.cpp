#include "app/format.h"

#include <cmath>
#include <cstdio>

namespace {

std::string PlainInteger(int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

// Digits of a non-negative whole number held in a long double (exact below 2^64).
std::string WholeDigits(long double value) {
    std::string digits;
    do {
        long double rest = std::fmod(value, 10.0L);
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest)));
        value = std::floor(value / 10.0L);
    } while (value >= 1.0L);
    return digits;
}

std::string TextOf(const TFormatArg& arg, const TNumberFormat& format) {
    switch (arg.Kind) {
    case TFormatArg::kText:
        return arg.Text;
    case TFormatArg::kInteger:
        return PlainInteger(arg.Integer);
    case TFormatArg::kFloat:
        return FormatNumber(arg.Float, 2, TNumberFormat{"", format.DecimalPoint});
    }
    return std::string();
}

long double NumberOf(const TFormatArg& arg) {
    switch (arg.Kind) {
    case TFormatArg::kInteger:
        return static_cast<long double>(arg.Integer);
    case TFormatArg::kFloat:
        return arg.Float;
    case TFormatArg::kText:
        break;
    }
    return 0;
}

} // namespace

std::string FormatNumber(long double value, int decimals, const TNumberFormat& format) {
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    if (decimals < 0)
        decimals = 0;
    if (decimals > 18)
        decimals = 18;
    const bool negative = value < 0;
    const long double scaled = std::floor(std::fabs(value) * std::pow(10.0L, decimals) + 0.5L);
    std::string digits = WholeDigits(scaled);
    if (digits.size() <= static_cast<size_t>(decimals))
        digits.insert(0, decimals + 1 - digits.size(), '0');
    const std::string whole = digits.substr(0, digits.size() - decimals);
    std::string result;
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            result += format.ThousandsSeparator;
        result += whole[i];
    }
    if (decimals > 0)
        result += format.DecimalPoint + digits.substr(whole.size());
    if (negative && scaled != 0)
        result.insert(0, "-");
    return result;
}

std::string FormatText(const std::string& templ, std::initializer_list<TFormatArg> args,
                       const TNumberFormat& format) {
    std::string result;
    size_t next = 0; // index of the argument the next unnumbered placeholder takes
    size_t i = 0;
    while (i < templ.size()) {
        const char c = templ[i];
        if (c != '%' || i + 1 >= templ.size()) {
            result += c;
            ++i;
            continue;
        }
        if (templ[i + 1] == '%') {
            result += '%';
            i += 2;
            continue;
        }
        // %[index:][.precision]type
        size_t j = i + 1;
        size_t index = next;
        size_t number = 0;
        bool haveNumber = false;
        while (j < templ.size() && templ[j] >= '0' && templ[j] <= '9') {
            number = number * 10 + (templ[j] - '0');
            haveNumber = true;
            ++j;
        }
        if (haveNumber && j < templ.size() && templ[j] == ':') {
            index = number;
            ++j;
        } else if (haveNumber) {
            result += templ.substr(i, j - i); // not a placeholder this program writes
            i = j;
            continue;
        }
        int precision = -1;
        if (j < templ.size() && templ[j] == '.') {
            precision = 0;
            ++j;
            while (j < templ.size() && templ[j] >= '0' && templ[j] <= '9')
                precision = precision * 10 + (templ[j++] - '0');
        }
        if (j >= templ.size()) {
            result += templ.substr(i);
            break;
        }
        const char type = templ[j];
        if (type != 's' && type != 'd' && type != 'n' && type != 'f') {
            result += templ.substr(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        i = j + 1;
        next = index + 1;
        if (index >= args.size())
            continue;
        const TFormatArg& arg = *(args.begin() + index);
        const int decimals = precision < 0 ? 2 : precision;
        if (type == 's' || (type == 'd' && arg.Kind == TFormatArg::kText))
            result += TextOf(arg, format);
        else if (type == 'd')
            result += arg.Kind == TFormatArg::kInteger
                          ? PlainInteger(arg.Integer)
                          : FormatNumber(std::trunc(arg.Float), 0, TNumberFormat{"", ""});
        else if (type == 'n')
            result += FormatNumber(NumberOf(arg), decimals, format);
        else
            result += FormatNumber(NumberOf(arg), decimals, TNumberFormat{"", format.DecimalPoint});
    }
    return result;
}

TScaledSize ScaleSize(long double value) {
    static const char* const units[] = {"K", "M", "G"};
    TScaledSize scaled{value, " "};
    for (const char* unit : units) {
        if (scaled.Value > 999999) {
            scaled.Value /= 1024;
            scaled.Unit = unit;
        }
    }
    return scaled;
}
