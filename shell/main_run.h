// The main window's runs measure time with GetTickCount; tests put a clock of their own in
// its place to see the time-left text of chosen moments.
#pragma once

#include <cstdint>

using TTickSource = uint32_t (*)();

// Installs the clock of the runs (nullptr: GetTickCount again); returns the previous one.
TTickSource SetRunTickSource(TTickSource source);
