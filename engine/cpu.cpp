#include "engine/cpu.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

#if defined(__x86_64__) || defined(__i386__)
// The register states the operating system saves; call only when CPUID reports OSXSAVE.
unsigned ReadXcr0() {
    unsigned low = 0, high = 0;
    asm volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return low;
}
#endif

TCpuFeatures ReadFeatures() {
    TCpuFeatures features = 0;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return 0;
    const unsigned kPclmulqdq = 1u << 1, kSsse3 = 1u << 9, kSse41 = 1u << 19;
    if ((ecx & kPclmulqdq) && (ecx & kSse41))
        features |= cfClmul;
    const bool sse41 = (ecx & kSsse3) && (ecx & kSse41);
    if (sse41)
        features |= cfSse41;
    // AVX needs the system to save the 256-bit registers on a thread switch (XCR0 bits 1, 2).
    const unsigned kOsxsave = 1u << 27, kAvx = 1u << 28;
    const unsigned xcr0 = sse41 && (ecx & kOsxsave) && (ecx & kAvx) ? ReadXcr0() : 0;
    const bool ymm = (xcr0 & 6) == 6;
    // AVX-512 also needs the mask registers and both halves of the 32 registers saved
    // (XCR0 bits 5, 6, 7).
    const bool zmm = ymm && (xcr0 & 0xE0) == 0xE0;
    const unsigned kSha = 1u << 29, kAvx2 = 1u << 5, kAvx512f = 1u << 16;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        if (sse41 && (ebx & kSha))
            features |= cfSha;
        if (ymm && (ebx & kAvx2))
            features |= cfAvx2;
        if (zmm && (ebx & kAvx2) && (ebx & kAvx512f))
            features |= cfAvx512;
    }
#endif
    return features;
}

// Not a feature: marks the word as not read yet.
constexpr TCpuFeatures kUnread = 1u << 31;

} // namespace

TCpuFeatures CpuFeatures() {
    static std::atomic<TCpuFeatures> cached{kUnread};
    TCpuFeatures features = cached.load(std::memory_order_relaxed);
    if (features == kUnread) {
        // Threads that come here at once read the same processor and store the same word.
        features = ReadFeatures();
        cached.store(features, std::memory_order_relaxed);
    }
    return features;
}
