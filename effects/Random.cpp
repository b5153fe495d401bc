#include "Random.h"

#include <chrono>

namespace pelmora {

namespace {
uint32_t gSeed = 0;
}

int Random(int n)
{
    gSeed = gSeed * 134775813u + 1u;
    if (n <= 0)
        return 0;
    return int((uint64_t(gSeed) * uint32_t(n)) >> 32);
}

void Randomize()
{
    gSeed = uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

void SetRandomSeed(uint32_t seed)
{
    gSeed = seed;
}

uint32_t RandomSeed()
{
    return gSeed;
}

} // namespace pelmora
