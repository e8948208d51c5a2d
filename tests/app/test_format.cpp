// Numbers and templates: the locale's separators, rounding, ScaleSize and the placeholders
// the texts use.
#include <gtest/gtest.h>

#include "app/format.h"
#include "app/texts.h"

namespace {

const TNumberFormat kEnglish{",", "."};
const TNumberFormat kGerman{".", ","};
const TNumberFormat kPlainC{"", "."};

TEST(ScaleSize, StepsOf1024AtItsEdges) {
    const struct {
        long double In;
        long double Value;
        const char* Unit;
    } cases[] = {
        {0, 0, " "},
        {999999, 999999, " "},
        {1000000, 976.5625L, "K"},
        {1000000000, 976562.5L, "K"},
        {1024000000000.0L, 976562.5L, "M"},
        {1048576000000000.0L, 976562.5L, "G"},
        {1.0e18L, 1.0e18L / 1024 / 1024 / 1024, "G"}, // no unit beyond "G"
    };
    for (const auto& c : cases) {
        const TScaledSize scaled = ScaleSize(c.In);
        EXPECT_EQ(scaled.Value, c.Value) << static_cast<double>(c.In);
        EXPECT_STREQ(scaled.Unit, c.Unit) << static_cast<double>(c.In);
    }
}

TEST(FormatNumber, GroupsThousandsAndRoundsHalfAwayFromZero) {
    const struct {
        long double Value;
        int Decimals;
        const TNumberFormat& Format;
        const char* Text;
    } cases[] = {
        {0, 0, kEnglish, "0"},
        {999, 0, kEnglish, "999"},
        {1000, 0, kEnglish, "1,000"},
        {4882.8125L, 0, kEnglish, "4,883"},
        {976562.5L, 0, kEnglish, "976,563"},
        {1234567.891L, 1, kGerman, "1.234.567,9"},
        {12.5L, 1, kEnglish, "12.5"},
        {0.05L, 1, kEnglish, "0.1"},
        {0.04L, 1, kEnglish, "0.0"},
        {100, 1, kEnglish, "100.0"},
        {1234567, 0, kPlainC, "1234567"},
        {1234567, 0, TNumberFormat{"\xA0\xA0", "."},
         "1\xA0\xA0"
         "234\xA0\xA0"
         "567"},
        {-1234.5L, 0, kEnglish, "-1,235"},
        {-0.2L, 0, kEnglish, "0"},
        {1.25L, 3, kGerman, "1,250"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.Value, c.Decimals, c.Format), c.Text)
            << static_cast<double>(c.Value);
}

TEST(FormatText, FillsEveryPlaceholderThatTheTextsUse) {
    const struct {
        const char* Template;
        std::initializer_list<TFormatArg> Args;
        const char* Text;
    } cases[] = {
        {"%s and %d", {"a", 42}, "a and 42"},
        {"%.0n|%.1n|%.3f", {1234.5L, 1234.56L, 1.25L}, "1,235|1,234.6|1.250"},
        {"%1:s(%0:s) = %2:s - Ok", {"path", "MD5", "abc"}, "MD5(path) = abc - Ok"},
        {"%1:s %s", {"a", "b", "c"}, "b c"}, // numbered, then on from there
        {"100%% done", {}, "100% done"},
        {"%s and %s", {"only"}, "only and "},
        {"%d", {static_cast<unsigned long long>(6000000000ULL)}, "6000000000"},
        {"%d", {"text"}, "text"},
        {"odd %x and %", {1}, "odd %x and %"},
        {"%.1n%s", {12.5L, "% processed"}, "12.5% processed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatText(c.Template, c.Args, kEnglish), c.Text) << c.Template;
}

TEST(FormatText, DecimalPointOfTheLocaleInFixedNumbers) {
    EXPECT_EQ(FormatText("%.3fs", {1.25L}, kGerman), "1,250s");
    EXPECT_EQ(FormatText("%.3fs", {1234.5L}, kGerman), "1234,500s");
}

TEST(CountingLine, UnitLetterFollowsTheNumberDirectly) {
    const struct {
        long double Bytes;
        int Files;
        const char* Text;
    } cases[] = {
        {5000000, 12, "4,883Kbytes in 12 files to processing...."},
        {999, 1, "999 bytes in 1 files to processing...."},
        {0, 0, "0 bytes in 0 files to processing...."},
    };
    for (const auto& c : cases) {
        const TScaledSize s = ScaleSize(c.Bytes);
        EXPECT_EQ(FormatText(texts::kLogCounted, {s.Value, s.Unit, c.Files}, kEnglish), c.Text);
    }
}

} // namespace
