// Plays an animated picture in the display window: each frame for the time
// the file gives it, from the last frame back to the first, until stopped.
#pragma once

#include "formats/Animation.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace pelmora {

class AnimationPlayer : public QObject {
    Q_OBJECT
public:
    // `show` puts a frame on the screen.
    AnimationPlayer(std::function<void(Bitmap&&)> show, QObject* parent);

    // Shows the first frame of `frames` at once and plays on; null only stops.
    void Start(std::unique_ptr<FrameSequence> frames);
    void Stop();
    bool Playing() const { return frames_ && !paused_; }
    bool Active() const { return frames_ != nullptr; }
    // Pauses at the frame shown, or plays on from it.
    void TogglePause();
    // The next frame now (the timer's work).
    void ShowNext();

private:
    std::function<void(Bitmap&&)> show_;
    std::unique_ptr<FrameSequence> frames_;
    QTimer timer_;
    bool paused_ = false;
};

} // namespace pelmora
