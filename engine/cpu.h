// What the processor offers beyond the baseline the program is built for.
#pragma once

// PCLMULQDQ and SSE4.1 (the carry-less-multiplication CRC-32). False off x86.
bool CpuHasClmul();

// The SHA extensions with SSSE3 and SSE4.1 (the SHA-256 instruction path). False off x86.
bool CpuHasSha();
