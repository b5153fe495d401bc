// Which x86 instruction sets the processor has, for the hand-written row
// loops that pick a wider version at run time. Each is asked once.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PELMORA_X86_DISPATCH 1

namespace pelmora {

inline bool CpuHasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

inline bool CpuHasSse41()
{
    static const bool has = __builtin_cpu_supports("sse4.1");
    return has;
}

inline bool CpuHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

} // namespace pelmora
#endif
