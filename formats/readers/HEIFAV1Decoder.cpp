#include "HEIFAV1Decoder.h"

#include "formats/ImageLimits.h"
#include "formats/PixelMemory.h"
#include "formats/YCbCrRows.h"

#include <dav1d/dav1d.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace pelmora {

namespace {

struct ToRgbRequest {
    bool active = false;
    std::optional<AV1Colour> box;
};
thread_local ToRgbRequest tRequest;

// Above libheif's own AV1 decoders (dav1d's plugin asks 150, aom's 100).
constexpr int kPriority = 200;

const heif_error kOk = {heif_error_Ok, heif_suberror_Unspecified, "Success"};
const heif_error kUndecodable = {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, "AV1 data not decodable"};
const heif_error kNoMemory = {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "Out of memory"};

// libheif pushes the configuration OBUs and the item's data; dav1d reads them in one piece.
struct Decoder {
    std::vector<uint8_t> data;
};

struct ContextCloser {
    void operator()(Dav1dContext* c) const { dav1d_close(&c); }
};

struct PictureRelease {
    void operator()(Dav1dPicture* p) const { dav1d_picture_unref(p); }
};

struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};

// dav1d's pictures in pixel blocks: a photo's planes come back to the next
// one without page faults, as the bitmaps' do. The layout is dav1d's own:
// planes of whole superblocks, aligned, strides off the cache's set spacing.
int AllocatePicture(Dav1dPicture* picture, void*)
{
    const Dav1dPictureParameters& p = picture->p;
    const int high = p.bpc > 8 ? 1 : 0;
    const bool chroma = p.layout != DAV1D_PIXEL_LAYOUT_I400;
    const int shiftX = p.layout != DAV1D_PIXEL_LAYOUT_I444 ? 1 : 0;
    const int shiftY = p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    const ptrdiff_t alignedWidth = (ptrdiff_t(p.w) + 127) & ~ptrdiff_t(127);
    const ptrdiff_t alignedHeight = (ptrdiff_t(p.h) + 127) & ~ptrdiff_t(127);
    ptrdiff_t lumaStride = alignedWidth << high;
    ptrdiff_t chromaStride = chroma ? lumaStride >> shiftX : 0;
    if (!(lumaStride & 1023))
        lumaStride += DAV1D_PICTURE_ALIGNMENT;
    if (chroma && !(chromaStride & 1023))
        chromaStride += DAV1D_PICTURE_ALIGNMENT;
    const size_t lumaSize = size_t(lumaStride * alignedHeight);
    const size_t chromaSize = size_t(chromaStride * (alignedHeight >> shiftY));
    auto* block = new (std::nothrow)
        PixelBlock(AllocatePixels(lumaSize + 2 * chromaSize + 2 * DAV1D_PICTURE_ALIGNMENT, PixelFill::Overwritten));
    if (!block || !*block) {
        delete block;
        return DAV1D_ERR(ENOMEM);
    }
    const size_t misalignment = reinterpret_cast<uintptr_t>(block->get()) % DAV1D_PICTURE_ALIGNMENT;
    uint8_t* base = block->get() + (misalignment ? DAV1D_PICTURE_ALIGNMENT - misalignment : 0);
    picture->data[0] = base;
    picture->data[1] = chroma ? base + lumaSize : nullptr;
    picture->data[2] = chroma ? base + lumaSize + chromaSize : nullptr;
    picture->stride[0] = lumaStride;
    picture->stride[1] = chromaStride;
    picture->allocator_data = block;
    return 0;
}

void ReleasePicture(Dav1dPicture* picture, void*)
{
    delete static_cast<PixelBlock*>(picture->allocator_data);
}

void KeepData(const uint8_t*, void*) { } // the data belongs to the Decoder

const char* Name()
{
    return "Pelmora single-thread AV1 decoder (dav1d)";
}

int Supports(heif_compression_format format)
{
    return format == heif_compression_AV1 ? kPriority : 0;
}

heif_error NewDecoder(void** decoder)
{
    *decoder = new (std::nothrow) Decoder;
    return *decoder ? kOk : kNoMemory;
}

void FreeDecoder(void* decoder)
{
    delete static_cast<Decoder*>(decoder);
}

heif_error PushData(void* decoder, const void* data, size_t size)
{
    auto& bytes = static_cast<Decoder*>(decoder)->data;
    const auto* from = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), from, from + size);
    return kOk;
}

void SetStrict(void*, int) { }

// The one picture of the data: false for data dav1d refuses or that holds none.
bool DecodePicture(const std::vector<uint8_t>& bytes, Dav1dPicture& picture)
{
    if (bytes.empty())
        return false;
    Dav1dSettings settings;
    dav1d_default_settings(&settings);
    settings.n_threads = 1;
    settings.max_frame_delay = 1;
    settings.all_layers = 0;
    settings.logger.callback = nullptr; // damaged data is our error, not lines on the console
    settings.frame_size_limit = unsigned(std::min<int64_t>(PixelLimit(), UINT_MAX));
    settings.allocator = {nullptr, AllocatePicture, ReleasePicture};
    Dav1dContext* opened = nullptr;
    if (dav1d_open(&opened, &settings) < 0)
        return false;
    std::unique_ptr<Dav1dContext, ContextCloser> context(opened);
    Dav1dData data {};
    if (dav1d_data_wrap(&data, bytes.data(), bytes.size(), KeepData, nullptr) < 0)
        return false;
    // One thread and no frame delay: each call either takes data or gives the
    // picture, so the loop ends when the data does.
    for (;;) {
        const size_t before = data.sz;
        if (data.sz > 0) {
            const int sent = dav1d_send_data(context.get(), &data);
            if (sent < 0 && sent != DAV1D_ERR(EAGAIN))
                break;
        }
        const int got = dav1d_get_picture(context.get(), &picture);
        if (got == 0) {
            dav1d_data_unref(&data);
            return true;
        }
        if (got != DAV1D_ERR(EAGAIN) || data.sz == 0 || data.sz == before)
            break;
    }
    dav1d_data_unref(&data);
    return false;
}

heif_chroma ChromaOf(Dav1dPixelLayout layout)
{
    switch (layout) {
    case DAV1D_PIXEL_LAYOUT_I400: return heif_chroma_monochrome;
    case DAV1D_PIXEL_LAYOUT_I420: return heif_chroma_420;
    case DAV1D_PIXEL_LAYOUT_I422: return heif_chroma_422;
    case DAV1D_PIXEL_LAYOUT_I444: return heif_chroma_444;
    }
    return heif_chroma_undefined;
}

// One plane of the picture into a plane of the image, row by row.
bool CopyPlane(const Dav1dPicture& picture, int index, heif_image* image, heif_channel channel)
{
    const int shiftX = index > 0 && picture.p.layout != DAV1D_PIXEL_LAYOUT_I444 ? 1 : 0;
    const int shiftY = index > 0 && picture.p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    const int width = (picture.p.w + shiftX) >> shiftX, height = (picture.p.h + shiftY) >> shiftY;
    if (heif_image_add_plane(image, channel, width, height, picture.p.bpc).code != heif_error_Ok)
        return false;
    int stride = 0;
    uint8_t* to = heif_image_get_plane(image, channel, &stride);
    if (!to)
        return false;
    const size_t rowBytes = size_t(width) * (picture.p.bpc > 8 ? 2 : 1);
    const ptrdiff_t fromStride = picture.stride[index > 0 ? 1 : 0];
    const auto* from = static_cast<const uint8_t*>(picture.data[index]);
    for (int y = 0; y < height; ++y)
        std::memcpy(to + ptrdiff_t(y) * stride, from + ptrdiff_t(y) * fromStride, rowBytes);
    return true;
}

// The sequence header's colour description, as libheif's own decoders give it.
void SetColourDescription(const Dav1dSequenceHeader& header, heif_image* image)
{
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    if (!nclx)
        return;
    heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(header.pri));
    heif_nclx_color_profile_set_transfer_characteristics(nclx, uint16_t(header.trc));
    heif_nclx_color_profile_set_matrix_coefficients(nclx, uint16_t(header.mtrx));
    nclx->full_range_flag = header.color_range != 0;
    heif_image_set_nclx_color_profile(image, nclx);
    heif_nclx_color_profile_free(nclx);
}

// The matrix to turn the picture into RGB with, if it is to be and can be.
bool ConversionMatrix(const Dav1dPicture& picture, YCbCrMatrix& matrix)
{
    if (!tRequest.active || picture.p.bpc != 8 || picture.p.layout == DAV1D_PIXEL_LAYOUT_I400)
        return false;
    const AV1Colour colour
        = tRequest.box.value_or(AV1Colour {picture.seq_hdr->mtrx, picture.seq_hdr->color_range != 0});
    return YCbCrMatrixFor(colour.matrix, colour.fullRange, matrix);
}

// The picture as 8-bit RGB planes, converted row by row on the way.
heif_error ConvertToRgb(const Dav1dPicture& picture, const YCbCrMatrix& matrix, heif_image** out)
{
    const int width = picture.p.w, height = picture.p.h;
    heif_image* created = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_444, &created).code != heif_error_Ok)
        return kUndecodable;
    std::unique_ptr<heif_image, ImageRelease> image(created);
    const heif_channel channels[3] = {heif_channel_R, heif_channel_G, heif_channel_B};
    uint8_t* planes[3];
    int strides[3];
    for (int c = 0; c < 3; ++c) {
        if (heif_image_add_plane(created, channels[c], width, height, 8).code != heif_error_Ok)
            return kNoMemory;
        planes[c] = heif_image_get_plane(created, channels[c], &strides[c]);
        if (!planes[c])
            return kNoMemory;
    }
    const int shiftX = picture.p.layout == DAV1D_PIXEL_LAYOUT_I444 ? 0 : 1;
    const int shiftY = picture.p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    const auto* luma = static_cast<const uint8_t*>(picture.data[0]);
    const auto* cb = static_cast<const uint8_t*>(picture.data[1]);
    const auto* cr = static_cast<const uint8_t*>(picture.data[2]);
    for (int y = 0; y < height; ++y) {
        const ptrdiff_t chroma = ptrdiff_t(y >> shiftY) * picture.stride[1];
        YCbCrRowToRgb(matrix, luma + ptrdiff_t(y) * picture.stride[0], cb + chroma, cr + chroma, shiftX, width,
            planes[0] + ptrdiff_t(y) * strides[0], planes[1] + ptrdiff_t(y) * strides[1],
            planes[2] + ptrdiff_t(y) * strides[2]);
    }
    *out = image.release();
    return kOk;
}

// The picture's planes copied as they are.
heif_error CopyAsCoded(const Dav1dPicture& picture, heif_image** out)
{
    const heif_chroma chroma = ChromaOf(picture.p.layout);
    const heif_colorspace space = chroma == heif_chroma_monochrome ? heif_colorspace_monochrome : heif_colorspace_YCbCr;
    heif_image* created = nullptr;
    if (chroma == heif_chroma_undefined
        || heif_image_create(picture.p.w, picture.p.h, space, chroma, &created).code != heif_error_Ok)
        return kUndecodable;
    std::unique_ptr<heif_image, ImageRelease> image(created);
    const heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    for (int i = 0; i < (chroma == heif_chroma_monochrome ? 1 : 3); ++i)
        if (!CopyPlane(picture, i, created, channels[i]))
            return kNoMemory;
    SetColourDescription(*picture.seq_hdr, created);
    *out = image.release();
    return kOk;
}

heif_error DecodeImage(void* decoder, heif_image** out)
{
    *out = nullptr;
    Dav1dPicture decoded {};
    if (!DecodePicture(static_cast<Decoder*>(decoder)->data, decoded))
        return kUndecodable;
    std::unique_ptr<Dav1dPicture, PictureRelease> picture(&decoded);
    YCbCrMatrix matrix;
    return ConversionMatrix(decoded, matrix) ? ConvertToRgb(decoded, matrix, out) : CopyAsCoded(decoded, out);
}

const heif_decoder_plugin kPlugin = {
    3,
    Name,
    nullptr,
    nullptr,
    Supports,
    NewDecoder,
    FreeDecoder,
    PushData,
    DecodeImage,
    SetStrict,
    "pelmora-dav1d",
};

} // namespace

void UseSingleThreadAV1Decoder()
{
    static std::once_flag once;
    std::call_once(once, [] { heif_register_decoder_plugin(&kPlugin); });
}

AV1ToRgb::AV1ToRgb(std::optional<AV1Colour> box)
{
    tRequest = {true, box};
}

AV1ToRgb::~AV1ToRgb()
{
    tRequest = {};
}

} // namespace pelmora
