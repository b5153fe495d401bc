// Where the browser window goes at start and what of its geometry is kept.
// The settings hold the outer rectangle, frame included, but a window is
// sized by its client area, and the window manager tells the frame only some
// time after the window is shown. So the window is placed once with the frame
// known then (none, before it is framed) and once more when the frame first
// shows, while it is not maximized; after that it is the user's.
#pragma once

#include <QMargins>
#include <QRect>

#include <optional>

namespace pelmora {

// The geometry keys as read; a missing key is empty.
struct StoredGeometry {
    std::optional<int> left, top, width, height;
};

// Where to put the window: its frame's top-left corner and its client size.
struct Placement {
    QPoint framePosition;
    QSize clientSize;
};

class WindowPlacement {
public:
    // Without a stored size the client area has `defaultClient`; without a
    // stored position the frame's corner is at `defaultPosition`.
    WindowPlacement(const StoredGeometry& stored, QSize defaultClient, QPoint defaultPosition);

    // The outer rectangle asked for, before any fitting to a screen.
    QRect Requested(const QMargins& frame) const;

    // The first placement, before the window is shown and framed.
    Placement Initial(const QRect& available);

    // The frame as measured now. Returns a new placement when the window must
    // be placed again for it: the first time a frame shows while the window
    // is not maximized.
    std::optional<Placement> FrameMeasured(const QMargins& frame, bool maximized, const QRect& available);

    // The outer rectangle to store for a window whose normal (not maximized)
    // client rectangle is `normalClient`. While that is still where the window
    // was placed, what was placed is stored, so a start and a close change nothing.
    QRect ToStore(const QRect& normalClient) const;

private:
    Placement Place(const QMargins& frame, const QRect& available);

    StoredGeometry stored_;
    QSize defaultClient_;
    QPoint defaultPosition_;
    QMargins placedFrame_; // the frame the last placement counted with
    QRect placedOuter_; // what the last placement asked for
    QMargins normalFrame_; // the frame last measured on the normal window
    bool framed_ = false; // placed with a frame the window manager gave
};

// `outer` made to fit `available`: a side longer than the area becomes the
// area's, starting at its edge. A rectangle that fits is left where it is.
QRect FitIntoArea(const QRect& outer, const QRect& available);

} // namespace pelmora
