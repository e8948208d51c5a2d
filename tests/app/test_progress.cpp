// Progress of a run: range, position, percentage and the time left in the caption.
#include <gtest/gtest.h>

#include "app/progress.h"

namespace {

const TNumberFormat kEnglish{",", "."};

TEST(ProgressRange, ByteRangeBelow2KiBElse1024Steps) {
    const struct {
        uint64_t Total;
        int64_t KiB;
        int64_t Max;
    } cases[] = {
        {0, 0, 0}, {1, 0, 1}, {2047, 1, 2047}, {2048, 2, 1024}, {1ULL << 40, 1 << 30, 1024}};
    for (const auto& c : cases) {
        const TProgressRange range = MakeProgressRange(c.Total);
        EXPECT_EQ(range.TotalKiB, c.KiB) << c.Total;
        EXPECT_EQ(range.ProgressMax, c.Max) << c.Total;
    }
}

TEST(ProgressPosition, NeverPassesTheEndOfTheRange) {
    const struct {
        uint64_t Total;
        uint64_t Done;
        int32_t Position;
        long double Percentage;
    } cases[] = {
        {1000, 0, 0, 0},
        {1000, 500, 500, 50},
        {1000, 1000, 1000, 100},
        {1000, 5000, 1000, 100},                // files grew after the count
        {3071, 3071, 1024, 100},                // whole KiB would give 1535, 149.9%
        {3071, 1535, 511, 511 * 100.0L / 1024}, // scaled by the exact total
        {4096, 2048, 512, 50},
        {0, 0, 0, 100},     // nothing counted: shown as done
        {0, 12345, 0, 100}, // bytes nobody counted: still never above 100
        {1ULL << 40, (1ULL << 40) - 1, 1023, 1023 * 100.0L / 1024},
    };
    for (const auto& c : cases) {
        const TProgressRange range = MakeProgressRange(c.Total);
        const int32_t position = ProgressPosition(range, c.Done);
        EXPECT_EQ(position, c.Position) << c.Total << " " << c.Done;
        EXPECT_EQ(ProgressPercentage(range, position), c.Percentage) << c.Total << " " << c.Done;
    }
}

TEST(TimeLeft, OnlyTheUnitsThatAreNotZero) {
    const struct {
        uint64_t Ms;
        const char* Text;
    } cases[] = {
        {0, "0.000s"},
        {12005, "12.005s"}, // milliseconds keep their zeros: not "12.5s"
        {12500, "12.500s"},
        {60000, "1m 0.000s"},
        {3600000 + 7250, "1h 7.250s"},
        {2ULL * 86400000 + 3600000 + 3 * 60000 + 7250, "2day(s) 1h 3m 7.250s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeLeftText(c.Ms), c.Text) << c.Ms;
}

TEST(ProgressCaption, EstimateOnlyAfterOneSecondAndNeverNegative) {
    const struct {
        uint64_t Total;
        uint64_t Done;
        uint64_t Elapsed;
        const char* Caption;
    } cases[] = {
        {1000, 250, 1000, "25.0% processed"},              // not yet past one second
        {1000, 0, 5000, "0.0% processed"},                 // nothing done yet
        {1000, 250, 1001, "25.0% processed, 3.003s left"}, // 750 * 1001 / 250
        {1000, 1000, 5000, "100.0% processed"},            // done: no estimate
        {1000, 1500, 5000, "100.0% processed"},            // past the count: no estimate
        {8ULL << 30, 1ULL << 30, 60000, "12.5% processed, 7m 0.000s left"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressCaption(MakeProgressRange(c.Total), c.Done, c.Elapsed, kEnglish),
                  c.Caption)
            << c.Total << " " << c.Done << " " << c.Elapsed;
}

} // namespace
