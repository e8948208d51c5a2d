// The progress of a run: the progress-bar range and position, the percentage and the
// time-left text of the caption. Pure functions, shared by the window and the console.
//
// Choices: the position never passes the end of the range and the percentage stays within
// 0..100 (files may grow or appear after the counting pass); a counted total of 0 bytes
// shows 100%; no time estimate is shown before one second has passed, before the first
// byte, or once the counted total is reached, so an estimate is never negative.
#pragma once

#include <cstdint>
#include <string>

#include "app/format.h"

struct TProgressRange {
    uint64_t TotalBytes = 0; // the counting pass's byte total
    int64_t TotalKiB = 0;    // TotalBytes div 1024
    int64_t ProgressMax = 0; // 1024, or TotalBytes when TotalKiB is 0 or 1
};

TProgressRange MakeProgressRange(uint64_t totalBytes);

// Position on the progress bar for the bytes done, 0..ProgressMax.
int32_t ProgressPosition(const TProgressRange& range, uint64_t doneBytes);

// Percentage of a position, 0..100.
long double ProgressPercentage(const TProgressRange& range, int32_t position);

// "2day(s) 1h 3m 7.250s": days, hours and minutes only when not 0; milliseconds always
// with three digits.
std::string TimeLeftText(uint64_t milliseconds);

// The caption while running: "12.5% processed", followed by ", 1h 3m 7.250s left" when an
// estimate can be given. elapsedMs is the time since the engine entry was called.
std::string ProgressCaption(const TProgressRange& range, uint64_t doneBytes, uint64_t elapsedMs,
                            const TNumberFormat& format);
