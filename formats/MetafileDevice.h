// The device context a metafile's records act on, kept while its records are
// read: the object table, the selected pen, brush and font, the mapping from
// logical units to the picture's pixels, the clip, saved states and the path
// being built. Both record readers drive it; it turns what they draw into
// drawing steps with their state resolved. Its state, objects, mapping and
// clip are in MetafileDevice.cpp, its drawing and paths in
// MetafileDeviceDrawing.cpp.
#pragma once

#include "MetafileSteps.h"

#include <cmath>
#include <cstddef>
#include <optional>
#include <variant>

namespace pelmora {

struct MetaOtherObject { }; // palettes and regions: they take a slot, nothing more
using MetaObject = std::variant<MetaPen, MetaBrush, MetaFont, MetaOtherObject>;

// How far a record reader got: the records it played, and whether it
// stopped at damage rather than at the end.
struct RecordsPlayed {
    size_t count = 0;
    bool damaged = false;
};

enum class MetaMapMode { Text = 1, LoMetric, HiMetric, LoEnglish, HiEnglish, Twips, Isotropic, Anisotropic };

class MetafileDevice {
public:
    // Enough for any real file; beyond it a file is damaged or hostile.
    static constexpr size_t kMostObjects = 65536;
    static constexpr size_t kMostSavedStates = 256;
    static constexpr size_t kMostClipSteps = 64;
    // Rectangles and points of all clip shapes together; past it a shape clips to its bounds.
    static constexpr size_t kMostClipShapeParts = 1 << 20;

    MetafileDevice(DrawingSteps& out, size_t objectTableSize);

    // Whether a value from a record can take part in the mapping without overflowing it.
    static bool Finite(double v) { return std::isfinite(v) && std::abs(v) < 1e12; }

    // Object table. Out-of-range or empty slots are ignored, never trusted.
    void CreateObject(size_t index, MetaObject object);
    // The lowest free slot, as Windows metafiles number them; false when full.
    bool CreateObjectInFreeSlot(MetaObject object);
    void SelectObject(size_t index);
    void SelectStockObject(uint32_t stock);
    void DeleteObject(size_t index);

    void SetTextColor(MetaColor c) { Change().textColor = c; }
    void SetBackColor(MetaColor c) { Change().backColor = c; }
    void SetBackgroundMode(int mode) { Change().opaqueBackground = mode == 2; }
    void SetPolyFillMode(int mode) { Change().windingFill = mode == 2; }
    void SetTextAlign(uint32_t align) { Change().textAlign = uint16_t(align); }
    void SetArcClockwise(bool clockwise) { mapping_.clockwise = clockwise; }

    // Mapping: logical -> world transform -> window/viewport -> device -> picture.
    void SetMapMode(int mode);
    void SetWindowOrg(double x, double y);
    void SetWindowExt(double x, double y);
    void SetViewportOrg(double x, double y);
    void SetViewportExt(double x, double y);
    void OffsetWindowOrg(double x, double y) { SetWindowOrg(mapping_.windowOrg.x + x, mapping_.windowOrg.y + y); }
    void OffsetViewportOrg(double x, double y)
    {
        SetViewportOrg(mapping_.viewportOrg.x + x, mapping_.viewportOrg.y + y);
    }
    void ScaleWindowExt(double xNum, double xDen, double yNum, double yDen);
    void ScaleViewportExt(double xNum, double xDen, double yNum, double yDen);
    void SetWorldTransform(const MetaTransform& t);
    void ModifyWorldTransform(const MetaTransform& t, int mode);
    // Device units to the picture's pixels (fixed by the file's header).
    void SetDeviceToPicture(const MetaTransform& t);
    // Metric mapping modes need the reference device's pixels per millimetre.
    void SetDevicePixelsPerMillimetre(double x, double y);
    bool WindowExtentSet() const { return windowExtSet_; }

    void IntersectClip(const MetaRect& logical);
    void ExcludeClip(const MetaRect& logical);
    // A region in device units combined with the clip: 1 and, 2 or, 3 exclusive or, 4 less, 5 replacing it.
    void SelectClipRegion(const std::vector<MetaRect>& deviceRects, int mode);
    void ResetClip();
    void OffsetClip(double dx, double dy);

    void SaveDC();
    // `relative` < 0 restores that many levels back; > 0 restores that instance.
    void RestoreDC(int relative);

    // Drawing; coordinates in logical units.
    void MoveTo(MetaPoint p);
    void LineTo(MetaPoint p);
    void Polyline(std::vector<MetaPoint> points, std::vector<uint32_t> counts, bool closed);
    // Points after the current position; updates it.
    void PolylineTo(const std::vector<MetaPoint>& points);
    void PolyBezier(const std::vector<MetaPoint>& points, bool fromCurrent);
    void Rectangle(const MetaRect& r);
    void RoundRect(const MetaRect& r, double cornerWidth, double cornerHeight);
    void Ellipse(const MetaRect& r);
    // Arc, Chord, Pie: the ellipse in `r`, from the radial through `start` to the one through `end`.
    void Arc(MetaStepKind kind, const MetaRect& r, MetaPoint start, MetaPoint end);
    void FillRect(const MetaRect& r, bool withBrush, MetaColor color); // no outline; the brush or `color`
    // A transfer with no bitmap: the brush, black or white fills `r` as the raster operation says; others draw nothing.
    void PatternFill(const MetaRect& r, uint32_t rasterOp);
    // `advances`, when not empty, places each character (logical units).
    void Text(MetaPoint at, std::u16string text, const std::optional<MetaRect>& box, bool opaque, bool clipped,
        std::vector<double> advances = {});
    void DrawBitmap(Bitmap bitmap, const MetaRect& destination, const MetaRect& source, uint32_t rasterOp);
    void SetPixel(MetaPoint p, MetaColor c);
    // The line from the current position to the arc's start, then the arc (degrees, counter-clockwise).
    void AngleArc(MetaPoint center, double radius, double startAngle, double sweep);
    // Figures of moves, lines and Bézier curves; `types` as the records keep them, one a point.
    void PolyDraw(const std::vector<MetaPoint>& points, const std::vector<uint8_t>& types);
    // A pattern brush made of `bitmap`; false when the pictures' pixel budget is spent.
    bool PatternBrush(Bitmap bitmap, bool monochrome, MetaBrush& brush);

    void BeginPath();
    void EndPath() { inPath_ = false; }
    void AbortPath();
    void CloseFigure();
    void DrawPath(bool stroke, bool fill);
    // The path's area combined with the clip, `mode` as for regions.
    void ClipToPath(int mode);

    // Steps drawn so far and where they reach, in picture pixels.
    bool HasBounds() const { return hasBounds_; }
    MetaRect Bounds() const { return bounds_; }
    // Maps everything drawn so far by `t` (a scale and a shift) in picture pixels.
    void MapPicture(const MetaTransform& t);

private:
    // What a saved state keeps besides the drawing state: the mapping and the arc direction.
    struct Mapping {
        MetaMapMode mode = MetaMapMode::Text;
        MetaPoint windowOrg, windowExt {1, 1}, viewportOrg, viewportExt {1, 1};
        MetaTransform world;
        bool clockwise = false;
    };
    struct Saved {
        MetaState state;
        Mapping mapping;
    };

    MetaState& Change()
    {
        dirty_ = true;
        return current_;
    }
    void UpdateTransform();
    MetaRect DeviceRect(const MetaRect& logical) const;
    void AddClip(MetaClipOp op, const MetaRect& logical);
    void Emit(MetaStep&& step);
    void Include(MetaPoint logical);
    void PathPoint(MetaPathOp op, MetaPoint p);
    // Adds to `path` (the one being built, or a line of its own), opening a figure at the current position first.
    void FigurePoint(MetaStep& path, MetaPathOp op, MetaPoint p);
    void FigureCurve(MetaStep& path, MetaPoint control1, MetaPoint control2, MetaPoint end);
    // A path step to draw a line along, with no fill.
    static MetaStep Line();
    // Counts `bitmap` against the pixels all bitmaps together may have.
    bool TakeBitmap(const Bitmap& bitmap);
    // Combines a shape (bounds `bounds`) with the clip as a region's mode says.
    void CombineClip(int mode, const MetaRect& bounds, MetaClipShape&& shape);

    DrawingSteps& out_;
    std::vector<std::optional<MetaObject>> objects_;
    size_t lowestFree_ = 0; // no slot below it is free
    int64_t bitmapPixels_ = 0;
    size_t clipShapeParts_ = 0;
    MetaState current_;
    bool dirty_ = true;
    Mapping mapping_;
    bool windowExtSet_ = false;
    MetaPoint pixelsPerMillimetre_ {96 / 25.4, 96 / 25.4};
    MetaTransform deviceToPicture_;
    std::vector<Saved> saved_;
    MetaPoint position_;
    bool inPath_ = false;
    MetaStep path_;
    bool hasBounds_ = false;
    MetaRect bounds_;
};

} // namespace pelmora
