// Resizing with one of seven kernels in two separable passes (horizontal,
// then vertical), in single precision with sums in list order.
#pragma once

#include "formats/Bitmap.h"

#include <array>
#include <vector>

namespace pelmora {

using ResampleFunction = float (*)(float);

struct ResampleKernel {
    const char* name;
    ResampleFunction function;
    float support;
};

// The kernels take and give single precision; inside they work at extended precision.
float BoxFilter(float x);
float TriangleFilter(float x);
float HermiteFilter(float x);
float BellFilter(float x);
float SplineFilter(float x);
float Lanczos3Filter(float x);
float MitchellFilter(float x);

// Indexed by the resize dialog's kernel position: Box, Triangle, Hermite,
// Bell, B-Spline, Lanczos3, Mitchell.
extern const std::array<ResampleKernel, 7> ResampleKernels;
inline constexpr int kDefaultResampleKernel = 5;

struct Contributor {
    int index;
    float weight;
};
using ContributorList = std::vector<Contributor>;

// One list a target column (or row): the source pixels and their weights,
// in the order the sums take them. Corner pixels map onto corner pixels;
// positions past an edge are reflected back, and those past the reflection
// too are clamped to that edge's pixel. A target of one pixel from a larger
// source samples the source's centre with the kernel spread over all of it.
std::vector<ContributorList> BuildContributors(int sourceSize, int targetSize, ResampleFunction f, float support);

// Fills the target, which keeps its width and height and becomes Rgb24, from
// the source, which is left as it is (the target may be the source). An empty
// source throws "Source bitmap too small".
void Resample(const Bitmap& source, Bitmap& target, ResampleFunction f, float support);
inline void Resample(const Bitmap& source, Bitmap& target, const ResampleKernel& kernel)
{
    Resample(source, target, kernel.function, kernel.support);
}

} // namespace pelmora
