#include "Resample.h"

#include "PixelConventions.h"

#include "formats/Exception.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace pelmora {

namespace {

using Extended = long double;
constexpr Extended kPi = 3.141592653589793238462643383279502884L;

// sin(pi u) for 0 <= u <= 1, folded so that the library sine and cosine see
// arguments within pi / 4, where they need no argument reduction.
Extended SinPi(Extended u)
{
    if (u <= 0.25L)
        return std::sin(kPi * u);
    if (u <= 0.75L)
        return std::cos(kPi * (u - 0.5L));
    return std::sin(kPi * (1 - u));
}

// The source index of position j: reflected at the edges, clamped to the
// nearest edge pixel where the reflection still falls outside.
int SourceIndex(int64_t j, int size)
{
    int64_t n = j < 0 ? -j : j >= size ? 2 * int64_t(size) - 1 - j : j;
    if (n < 0 || n >= size)
        n = j < 0 ? 0 : size - 1;
    return int(n);
}

// 255 above 255, 0 below 0, else rounded with ties to even.
inline uint8_t SumToByte(float sum)
{
    return uint8_t(int(RoundHalfEven(std::min(std::max(sum, 0.0f), 255.0f))));
}

// Lists padded with zero weights to one length, so the pass loops are uniform;
// adding 0 to a sum leaves it unchanged.
struct PaddedContributors {
    int length = 0;
    std::vector<int> index;
    std::vector<float> weight;
};

PaddedContributors Pad(const std::vector<ContributorList>& lists)
{
    PaddedContributors p;
    for (const ContributorList& list : lists)
        p.length = std::max(p.length, int(list.size()));
    p.index.assign(lists.size() * size_t(p.length), 0);
    p.weight.assign(lists.size() * size_t(p.length), 0.0f);
    for (size_t i = 0; i < lists.size(); ++i)
        for (size_t e = 0; e < lists[i].size(); ++e) {
            p.index[i * size_t(p.length) + e] = lists[i][e].index;
            p.weight[i * size_t(p.length) + e] = lists[i][e].weight;
        }
    return p;
}

// The horizontal pass works on strips of 16 rows turned on their side, so
// that each step of a sum runs over 16 rows at once: byte b of strip row r
// sits at [b x 16 + r], and a source pixel's three channels of all 16 rows
// are 48 consecutive bytes.
constexpr int kStrip = 16;
constexpr size_t kPixelLanes = 3 * kStrip;

inline void SwapBits(uint64_t& x, uint64_t& y, int shift, uint64_t mask)
{
    const uint64_t t = ((x >> shift) ^ y) & mask;
    y ^= t;
    x ^= t << shift;
}

// Eight words of eight bytes, as an 8 x 8 matrix of bytes (word k = line k,
// byte j its column j in memory order), turned so that word k holds column k.
inline void Transpose8x8(uint64_t w[8])
{
    static_assert(std::endian::native == std::endian::little, "bytes of a word in memory order");
    for (int k = 0; k < 8; k += 2)
        SwapBits(w[k], w[k + 1], 8, 0x00FF00FF00FF00FFull);
    for (int k : {0, 1, 4, 5})
        SwapBits(w[k], w[k + 2], 16, 0x0000FFFF0000FFFFull);
    for (int k = 0; k < 4; ++k)
        SwapBits(w[k], w[k + 4], 32, 0x00000000FFFFFFFFull);
}

// The first n bytes of 16 rows into the strip layout.
void RowsToStrip(const uint8_t* const rows[kStrip], size_t n, uint8_t* strip)
{
    size_t b = 0;
    for (; b + 8 <= n; b += 8)
        for (int half = 0; half < kStrip; half += 8) {
            uint64_t w[8];
            for (int k = 0; k < 8; ++k)
                std::memcpy(&w[k], rows[half + k] + b, 8);
            Transpose8x8(w);
            for (int j = 0; j < 8; ++j)
                std::memcpy(strip + (b + size_t(j)) * kStrip + size_t(half), &w[j], 8);
        }
    for (; b < n; ++b)
        for (int r = 0; r < kStrip; ++r)
            strip[b * kStrip + size_t(r)] = rows[r][b];
}

// Back from the strip layout into the first n bytes of the first `count` rows.
void StripToRows(const uint8_t* strip, size_t n, uint8_t* const rows[kStrip], int count)
{
    size_t b = 0;
    for (; b + 8 <= n; b += 8)
        for (int half = 0; half < kStrip; half += 8) {
            uint64_t w[8];
            for (int k = 0; k < 8; ++k)
                std::memcpy(&w[k], strip + (b + size_t(k)) * kStrip + size_t(half), 8);
            Transpose8x8(w);
            for (int r = 0; r < 8 && half + r < count; ++r)
                std::memcpy(rows[half + r] + b, &w[r], 8);
        }
    for (; b < n; ++b)
        for (int r = 0; r < count; ++r)
            rows[r][b] = strip[b * kStrip + size_t(r)];
}

// Every target pixel of a strip from its (padded) list, all 16 rows and three
// channels side by side; each of the 48 sums takes its terms in list order.
PELMORA_VECTOR_CLONES void StripToFloats(const uint8_t* __restrict in, float* __restrict out, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        out[i] = float(in[i]);
}

PELMORA_VECTOR_CLONES void HorizontalStrip(const float* __restrict in, const int* __restrict index,
    const float* __restrict weight, int length, uint8_t* __restrict out, size_t width)
{
    for (size_t i = 0; i < width; ++i) {
        const int* n = index + i * size_t(length);
        const float* w = weight + i * size_t(length);
        float sum[kPixelLanes] = {};
        PELMORA_NO_UNROLL
        for (int e = 0; e < length; ++e) {
            const float* p = in + size_t(n[e]) * kPixelLanes;
            const float we = w[e];
            for (size_t k = 0; k < kPixelLanes; ++k)
                sum[k] += we * p[k];
        }
        uint8_t* o = out + i * kPixelLanes;
        for (size_t k = 0; k < kPixelLanes; ++k)
            o[k] = SumToByte(sum[k]);
    }
}

// One target row: the weighted work rows of its list added in order, four
// rows a sweep over the sums.
PELMORA_VECTOR_CLONES void VerticalRow(const uint8_t* const* rows, const float* weights, size_t count,
    float* __restrict sum, uint8_t* __restrict out, size_t n)
{
    std::fill(sum, sum + n, 0.0f);
    size_t e = 0;
    for (; e + 4 <= count; e += 4) {
        const uint8_t* __restrict r0 = rows[e];
        const uint8_t* __restrict r1 = rows[e + 1];
        const uint8_t* __restrict r2 = rows[e + 2];
        const uint8_t* __restrict r3 = rows[e + 3];
        const float w0 = weights[e], w1 = weights[e + 1], w2 = weights[e + 2], w3 = weights[e + 3];
        for (size_t k = 0; k < n; ++k)
            sum[k] = (((sum[k] + w0 * float(r0[k])) + w1 * float(r1[k])) + w2 * float(r2[k])) + w3 * float(r3[k]);
    }
    for (; e < count; ++e) {
        const uint8_t* __restrict r = rows[e];
        const float w = weights[e];
        for (size_t k = 0; k < n; ++k)
            sum[k] += w * float(r[k]);
    }
    for (size_t k = 0; k < n; ++k)
        out[k] = SumToByte(sum[k]);
}

void HorizontalPass(const Bitmap& source, Bitmap& work, const std::vector<ContributorList>& lists)
{
    const PaddedContributors p = Pad(lists);
    std::vector<uint8_t> in(PixelBytes(source) * kStrip), out(PixelBytes(work) * kStrip);
    std::vector<float> floats(in.size());
    for (int top = 0; top < source.Height(); top += kStrip) {
        // A last strip of fewer rows repeats its last row; those sums are dropped.
        const int count = std::min(kStrip, source.Height() - top);
        const uint8_t* from[kStrip];
        uint8_t* to[kStrip];
        for (int r = 0; r < kStrip; ++r) {
            from[r] = source.ScanLine(top + std::min(r, count - 1));
            to[r] = work.ScanLine(top + std::min(r, count - 1));
        }
        RowsToStrip(from, PixelBytes(source), in.data());
        StripToFloats(in.data(), floats.data(), in.size());
        HorizontalStrip(floats.data(), p.index.data(), p.weight.data(), p.length, out.data(), size_t(work.Width()));
        StripToRows(out.data(), PixelBytes(work), to, count);
    }
}

void VerticalPass(const Bitmap& work, Bitmap& target, const std::vector<ContributorList>& lists)
{
    const size_t n = PixelBytes(target);
    std::vector<float> sum(n);
    std::vector<const uint8_t*> rows;
    std::vector<float> weights;
    for (int i = 0; i < target.Height(); ++i) {
        rows.clear();
        weights.clear();
        for (const Contributor& c : lists[size_t(i)]) {
            rows.push_back(work.ScanLine(c.index));
            weights.push_back(c.weight);
        }
        VerticalRow(rows.data(), weights.data(), rows.size(), sum.data(), target.ScanLine(i), n);
    }
}

} // namespace

float BoxFilter(float x)
{
    return x > -0.5f && x <= 0.5f ? 1.0f : 0.0f;
}

float TriangleFilter(float x)
{
    const Extended t = std::fabs(Extended(x));
    return t < 1 ? float(1 - t) : 0.0f;
}

float HermiteFilter(float x)
{
    const Extended t = std::fabs(Extended(x));
    return t < 1 ? float((2 * t - 3) * t * t + 1) : 0.0f;
}

float BellFilter(float x)
{
    const Extended t = std::fabs(Extended(x));
    if (t < 0.5L)
        return float(0.75L - t * t);
    if (t < 1.5L)
        return float(0.5L * (t - 1.5L) * (t - 1.5L));
    return 0.0f;
}

float SplineFilter(float x)
{
    const Extended t = std::fabs(Extended(x));
    if (t < 1)
        return float(t * t * t / 2 - t * t + 2.0L / 3.0L);
    if (t < 2)
        return float((2 - t) * (2 - t) * (2 - t) / 6);
    return 0.0f;
}

// sinc(t) sinc(t / 3) with one sine: sin(pi t) = s (3 - 4 s^2) for s = sin(pi t / 3).
float Lanczos3Filter(float x)
{
    const Extended t = std::fabs(Extended(x));
    if (t >= 3)
        return 0.0f;
    if (t == 0)
        return 1.0f;
    const Extended s = SinPi(t / 3);
    return float(s * (3 - 4 * s * s) * s * 3 / (kPi * kPi * t * t));
}

float MitchellFilter(float x)
{
    const Extended t = std::fabs(Extended(x));
    if (t < 1)
        return float((7 * t * t * t - 12 * t * t + 16.0L / 3.0L) / 6);
    if (t < 2)
        return float((-(7.0L / 3.0L) * t * t * t + 12 * t * t - 20 * t + 32.0L / 3.0L) / 6);
    return 0.0f;
}

const std::array<ResampleKernel, 7> ResampleKernels = {{
    {"Box", BoxFilter, 0.5f},
    {"Triangle", TriangleFilter, 1.0f},
    {"Hermite", HermiteFilter, 1.0f},
    {"Bell", BellFilter, 1.5f},
    {"B-Spline", SplineFilter, 2.0f},
    {"Lanczos3", Lanczos3Filter, 3.0f},
    {"Mitchell", MitchellFilter, 2.0f},
}};

std::vector<ContributorList> BuildContributors(int sourceSize, int targetSize, ResampleFunction f, float support)
{
    std::vector<ContributorList> lists(size_t(std::max(targetSize, 0)));
    if (sourceSize < 1 || targetSize < 1)
        return lists;
    // One target pixel from several would make the scale 0: it takes the
    // scale of the whole size instead and sits over the source's centre.
    const bool single = targetSize == 1 && sourceSize > 1;
    const float scale = sourceSize == 1 || single ? float(targetSize) / float(sourceSize)
                                                  : float(targetSize - 1) / float(sourceSize - 1);
    const bool shrinking = scale < 1.0f;
    const float width = shrinking ? support / scale : support;
    const float fscale = 1.0f / scale;
    for (int i = 0; i < targetSize; ++i) {
        const float center = single ? float(sourceSize - 1) / 2.0f : float(i) / scale;
        const auto first = int64_t(std::floor(center - width));
        const auto last = int64_t(std::ceil(center + width));
        ContributorList& list = lists[size_t(i)];
        for (int64_t j = first; j <= last; ++j) {
            const float weight = shrinking ? f((center - float(j)) / fscale) / fscale : f(center - float(j));
            if (weight == 0.0f)
                continue;
            list.push_back({SourceIndex(j, sourceSize), weight});
        }
    }
    return lists;
}

void Resample(const Bitmap& source, Bitmap& target, ResampleFunction f, float support)
{
    if (source.Width() < 1 || source.Height() < 1)
        throw Exception("Source bitmap too small");
    Bitmap holder;
    const Bitmap* s = &Rgb24View(source, holder);
    if (s == &target) {
        holder.Assign(target);
        s = &holder;
    }
    target.Allocate(PixelFormat::Rgb24, target.Width(), target.Height());
    if (target.IsEmpty())
        return;
    Bitmap work(target.Width(), s->Height(), PixelFormat::Rgb24);
    HorizontalPass(*s, work, BuildContributors(s->Width(), target.Width(), f, support));
    VerticalPass(work, target, BuildContributors(s->Height(), target.Height(), f, support));
}

} // namespace pelmora
