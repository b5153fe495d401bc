// The one process-wide pseudo-random generator of the effects: a 32-bit
// linear congruential generator, so a seeded run repeats exactly.
#pragma once

#include <cstdint>

namespace pelmora {

// Uniform in 0..n-1; 0 when n is 0 or less.
int Random(int n);
// Seeds from the clock.
void Randomize();
void SetRandomSeed(uint32_t seed);
uint32_t RandomSeed();

} // namespace pelmora
