#include "engine/cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

bool CpuHasClmul() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    const unsigned kPclmulqdq = 1u << 1, kSse41 = 1u << 19;
    return (ecx & kPclmulqdq) && (ecx & kSse41);
#else
    return false;
#endif
}

bool CpuHasSha() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    const unsigned kSsse3 = 1u << 9, kSse41 = 1u << 19;
    if (!(ecx & kSsse3) || !(ecx & kSse41))
        return false;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return false;
    const unsigned kSha = 1u << 29;
    return (ebx & kSha) != 0;
#else
    return false;
#endif
}
