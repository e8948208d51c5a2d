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
// SSE4.1 (with SSSE3): BLAKE3 on four chunks at once.
constexpr TCpuFeatures cfSse41 = 1u << 2;
// AVX2, with the operating system saving the 256-bit registers: BLAKE3 on eight chunks.
constexpr TCpuFeatures cfAvx2 = 1u << 3;
// AVX-512 Foundation, with the system saving the 512-bit registers: BLAKE3 on sixteen
// chunks in 64-bit builds.
constexpr TCpuFeatures cfAvx512 = 1u << 4;

// The features of this processor; 0 off x86.
TCpuFeatures CpuFeatures();

// On the entry of a function whose SSE code takes operands from the stack: the compiler
// assumes the stack aligned to 16 bytes, 32-bit Windows keeps only 4 (the system calls a
// window procedure, under which a run hashes, with the stack as it finds it). Such a
// function aligns its own frame.
#if defined(__i386__)
#define TLVN_ALIGNS_ITS_STACK __attribute__((force_align_arg_pointer))
#else
#define TLVN_ALIGNS_ITS_STACK
#endif
