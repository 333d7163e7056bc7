#include "common/cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

bool CpuHasSse2()
{
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    // A plain int: two threads asking at once both write the same answer.
    static int known = -1;
    if (known < 0) {
        unsigned a = 0, b = 0, c = 0, d = 0;
        known = __get_cpuid(1, &a, &b, &c, &d) && (d & bit_SSE2) != 0 ? 1 : 0;
    }
    return known == 1;
#else
    return false;
#endif
}
