#include "app/progress.h"

#include <cmath>

#include "app/texts.h"

TProgressRange MakeProgressRange(uint64_t totalBytes) {
    TProgressRange range;
    range.TotalBytes = totalBytes;
    range.TotalKiB = static_cast<int64_t>(totalBytes / 1024);
    range.ProgressMax = range.TotalKiB > 1 ? 1024 : static_cast<int64_t>(totalBytes);
    return range;
}

int32_t ProgressPosition(const TProgressRange& range, uint64_t doneBytes) {
    if (doneBytes >= range.TotalBytes)
        return static_cast<int32_t>(range.ProgressMax);
    if (range.TotalKiB <= 1)
        return static_cast<int32_t>(doneBytes);
    // Scaled by the exact total: dividing by whole KiB would run past the end.
    const long double share = static_cast<long double>(doneBytes) / range.TotalBytes;
    return static_cast<int32_t>(std::floor(share * range.ProgressMax));
}

long double ProgressPercentage(const TProgressRange& range, int32_t position) {
    if (range.ProgressMax <= 0)
        return 100;
    if (position <= 0)
        return 0;
    if (position >= range.ProgressMax)
        return 100;
    return static_cast<long double>(position) * 100 / range.ProgressMax;
}

std::string TimeLeftText(uint64_t milliseconds) {
    const uint64_t days = milliseconds / 86400000;
    uint64_t rest = milliseconds % 86400000;
    const uint64_t hours = rest / 3600000;
    rest %= 3600000;
    const uint64_t minutes = rest / 60000;
    rest %= 60000;
    const std::string millis = std::to_string(rest % 1000);
    std::string text = std::to_string(rest / 1000) + "." + std::string(3 - millis.size(), '0') +
                       millis + texts::kTimeSeconds;
    if (minutes != 0)
        text = std::to_string(minutes) + texts::kTimeMinutes + text;
    if (hours != 0)
        text = std::to_string(hours) + texts::kTimeHours + text;
    if (days != 0)
        text = std::to_string(days) + texts::kTimeDays + text;
    return text;
}

std::string ProgressCaption(const TProgressRange& range, uint64_t doneBytes, uint64_t elapsedMs,
                            const TNumberFormat& format) {
    const long double percentage = ProgressPercentage(range, ProgressPosition(range, doneBytes));
    std::string caption =
        FormatText(texts::kProgressCaption, {percentage, texts::kProgressProcessed}, format);
    if (elapsedMs > 1000 && doneBytes > 0 && doneBytes < range.TotalBytes) {
        const long double remaining =
            static_cast<long double>(range.TotalBytes - doneBytes) * elapsedMs / doneBytes;
        caption +=
            FormatText(texts::kProgressTimeLeft, {TimeLeftText(static_cast<uint64_t>(remaining))});
    }
    return caption;
}
