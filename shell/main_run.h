// The main window's runs measure time with GetTickCount; tests put a clock of their own in
// its place to see the time-left text of chosen moments.
#pragma once

#include <cstdint>

using TTickSource = uint32_t (*)();

// During a run the window shows the newest progress and path at most this often
// (milliseconds of the real clock, whatever the run's clock).
constexpr uint32_t kRunRefreshMs = 250;

// Installs the clock of the runs (nullptr: GetTickCount again); returns the previous one.
TTickSource SetRunTickSource(TTickSource source);
