// What the processor offers beyond the baseline the program is built for. The features are
// read once into one atomic word that every thread reads. A digest takes the features it
// may use as an argument that defaults to CpuFeatures(); a test or the benchmark forces the
// portable paths by passing 0.
#pragma once

#include <cstdint>

using TCpuFeatures = uint32_t;
// PCLMULQDQ and SSE4.1: the carry-less-multiplication CRC-32.
constexpr TCpuFeatures cfClmul = 1u << 0;
// The SHA extensions with SSSE3 and SSE4.1: the SHA-256 instruction path.
constexpr TCpuFeatures cfSha = 1u << 1;

// The features of this processor; 0 off x86.
TCpuFeatures CpuFeatures();
