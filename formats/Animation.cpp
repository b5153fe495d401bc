#include "Animation.h"

namespace pelmora {

int ShownDelay(int delayMs)
{
    constexpr int kShortest = 10, kInstead = 100;
    return delayMs <= kShortest ? kInstead : delayMs;
}

} // namespace pelmora
