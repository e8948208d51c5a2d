// Filling the message templates of the texts table, with the number separators of the
// user's locale. The front end finds the separators (the window from the user-default
// locale, the console from LC_NUMERIC) and hands them in; nothing here reads a locale.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

struct TNumberFormat {
    std::string ThousandsSeparator = ","; // may be empty: no grouping
    std::string DecimalPoint = ".";
};

// One value for a template: a text, a whole number or a floating-point number.
class TFormatArg {
public:
    TFormatArg(const char* text) : Kind(kText), Text(text) {}
    TFormatArg(std::string text) : Kind(kText), Text(std::move(text)) {}
    TFormatArg(int value) : Kind(kInteger), Integer(value) {}
    TFormatArg(unsigned value) : Kind(kInteger), Integer(value) {}
    TFormatArg(long value) : Kind(kInteger), Integer(value) {}
    TFormatArg(unsigned long value) : Kind(kInteger), Integer(static_cast<int64_t>(value)) {}
    TFormatArg(long long value) : Kind(kInteger), Integer(value) {}
    TFormatArg(unsigned long long value) : Kind(kInteger), Integer(static_cast<int64_t>(value)) {}
    TFormatArg(double value) : Kind(kFloat), Float(value) {}
    TFormatArg(long double value) : Kind(kFloat), Float(value) {}

    enum TKind { kText, kInteger, kFloat };
    TKind Kind;
    std::string Text;
    int64_t Integer = 0;
    long double Float = 0;
};

// Number with thousands separators and the given count of decimals, rounded half away
// from zero: 4882.8125 with 0 decimals reads "4,883".
std::string FormatNumber(long double value, int decimals, const TNumberFormat& format);

// Fills a template. Placeholders: %s (text; a number is written plainly), %d (whole
// number), %.Nn (FormatNumber with N decimals), %.Nf (N decimals, no grouping), %N:s (the
// argument numbered N, counting from 0; the next unnumbered placeholder takes N + 1) and
// %% (a percent sign). A placeholder without an argument is left out; text is never lost.
std::string FormatText(const std::string& templ, std::initializer_list<TFormatArg> args,
                       const TNumberFormat& format = TNumberFormat());

// A size brought below a million by steps of 1024, with its unit: " " (plain), "K", "M"
// or "G". There is no unit beyond "G".
struct TScaledSize {
    long double Value;
    const char* Unit;
};
TScaledSize ScaleSize(long double value);
