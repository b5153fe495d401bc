// What a metafile draws, as plain data: the records of a Windows or enhanced
// metafile reduced to drawing steps whose device state (pen, brush, font,
// transform, clip) is already resolved. A painter replays the steps; it needs
// to know nothing of records, object tables or mapping modes.
#pragma once

#include "Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pelmora {

struct MetaPoint {
    double x = 0, y = 0;
};

struct MetaRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    // Left of right and above bottom.
    MetaRect Normalized() const
    {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    }
    // Grown to take in p.
    void Extend(MetaPoint p)
    {
        *this = {std::min(left, p.x), std::min(top, p.y), std::max(right, p.x), std::max(bottom, p.y)};
    }
    friend bool operator==(const MetaRect&, const MetaRect&) = default;
};

struct MetaColor {
    uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const MetaColor&, const MetaColor&) = default;
};

// x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
struct MetaTransform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    MetaPoint Map(MetaPoint p) const { return {m11 * p.x + m21 * p.y + dx, m12 * p.x + m22 * p.y + dy}; }
    // This transform followed by `then`.
    MetaTransform Then(const MetaTransform& then) const;
    friend bool operator==(const MetaTransform&, const MetaTransform&) = default;
};

enum class MetaPenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Null };
enum class MetaCap : uint8_t { Round, Square, Flat };
enum class MetaJoin : uint8_t { Round, Bevel, Miter };

struct MetaPen {
    MetaPenStyle style = MetaPenStyle::Solid;
    MetaCap cap = MetaCap::Round;
    MetaJoin join = MetaJoin::Round;
    double width = 0; // logical units; 0 draws one device pixel wide
    MetaColor color;
    friend bool operator==(const MetaPen&, const MetaPen&) = default;
};

enum class MetaBrushStyle : uint8_t { Solid, Null, Hatched, Pattern };

struct MetaBrush {
    MetaBrushStyle style = MetaBrushStyle::Solid;
    uint8_t hatch = 0; // horizontal, vertical, forward diagonal, backward diagonal, cross, diagonal cross
    MetaColor color {255, 255, 255};
    // Pattern: the bitmap tiled from the picture's top-left corner, one
    // pixel a picture pixel; a monochrome one takes the text colour for its
    // clear bits and the background colour for its set bits.
    uint32_t pattern = 0; // in DrawingSteps::bitmaps
    bool monochrome = false;
    friend bool operator==(const MetaBrush&, const MetaBrush&) = default;
};

struct MetaFont {
    double height = 0; // logical units; negative is the character height, positive the cell height
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int escapement = 0; // tenths of a degree, counter-clockwise
    std::string face; // UTF-8
    friend bool operator==(const MetaFont&, const MetaFont&) = default;
};

// Text alignment flags as the records give them.
enum MetaTextAlign : uint16_t {
    kAlignUpdateCp = 1,
    kAlignRight = 2,
    kAlignCenter = 6,
    kAlignBottom = 8,
    kAlignBaseline = 24,
};

enum class MetaPathOp : uint8_t { Move, Line, Curve /* three points: two controls and the end */, Close };

enum class MetaClipOp : uint8_t { Intersect, Exclude, Unite, Xor };

// A clip shape other than a rectangle, in picture pixels: the union of
// rectangles (a region), or a path's area (ops taking points as Path steps do).
struct MetaClipShape {
    std::vector<MetaRect> rects;
    std::vector<MetaPathOp> ops;
    std::vector<MetaPoint> points;
    bool winding = false;
};

// One step of building the clip, in picture pixels.
struct MetaClip {
    MetaClipOp op = MetaClipOp::Intersect;
    MetaRect rect; // the shape, or the bounds of a shape of DrawingSteps::clipShapes
    uint32_t shape = 0; // 0: the rectangle alone; n: clipShapes[n - 1]
    friend bool operator==(const MetaClip&, const MetaClip&) = default;
};

// Everything a step is drawn with. Steps share states by index.
struct MetaState {
    MetaPen pen;
    MetaBrush brush;
    MetaFont font;
    // Logical units to pixels of the picture at its own size.
    MetaTransform transform;
    std::vector<MetaClip> clip; // applied in order to the whole picture
    MetaColor textColor;
    MetaColor backColor {255, 255, 255};
    bool opaqueBackground = true;
    bool windingFill = false; // alternate otherwise
    uint16_t textAlign = 0;
    friend bool operator==(const MetaState&, const MetaState&) = default;
};

enum class MetaStepKind : uint8_t {
    Polyline, // points; one figure a count
    Polygon, // points; one figure a count
    Rectangle, // rect
    RoundRect, // rect, corner = ellipse width and height
    Ellipse, // rect
    Arc, // rect, startAngle, sweep (degrees, counter-clockwise on the page)
    Chord,
    Pie,
    Path, // path elements; stroke and/or fill
    Text, // text at points[0]; rect is the opaque/clip box when textBox
    Bitmap, // bitmaps[bitmap] (its source part) stretched into rect
};

struct MetaStep {
    MetaStepKind kind = MetaStepKind::Polyline;
    uint32_t state = 0;
    bool stroke = true, fill = true; // Path only
    bool textOpaque = false, textClipped = false;
    std::vector<MetaPoint> points;
    std::vector<uint32_t> counts; // Polyline/Polygon figures; Path: one op a count (points taken per op)
    std::vector<MetaPathOp> ops;
    MetaRect rect;
    MetaPoint corner;
    double startAngle = 0, sweep = 0;
    std::u16string text;
    std::vector<double> advances; // Text: each character's advance in logical units, when the record gives them
    uint32_t bitmap = 0;
    MetaRect source; // pixels of the bitmap
    uint32_t rasterOp = 0xCC0020; // source copy
};

struct DrawingSteps {
    int width = 0, height = 0; // the picture's own size in pixels (96 dpi)
    std::vector<MetaState> states;
    std::vector<MetaStep> steps;
    std::vector<Bitmap> bitmaps;
    std::vector<MetaClipShape> clipShapes;
};

} // namespace pelmora
