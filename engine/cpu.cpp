#include "engine/cpu.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

TCpuFeatures ReadFeatures() {
    TCpuFeatures features = 0;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return 0;
    const unsigned kPclmulqdq = 1u << 1, kSsse3 = 1u << 9, kSse41 = 1u << 19;
    if ((ecx & kPclmulqdq) && (ecx & kSse41))
        features |= cfClmul;
    const bool shaBase = (ecx & kSsse3) && (ecx & kSse41);
    const unsigned kSha = 1u << 29;
    if (shaBase && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & kSha))
        features |= cfSha;
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
