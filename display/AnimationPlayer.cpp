#include "AnimationPlayer.h"

#include "formats/Exception.h"

namespace pelmora {

AnimationPlayer::AnimationPlayer(std::function<void(Bitmap&&)> show, QObject* parent)
    : QObject(parent)
    , show_(std::move(show))
{
    setObjectName("AnimationPlayer");
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { ShowNext(); });
}

void AnimationPlayer::Start(std::unique_ptr<FrameSequence> frames)
{
    Stop();
    frames_ = std::move(frames);
    if (frames_)
        ShowNext();
}

void AnimationPlayer::Stop()
{
    timer_.stop();
    frames_.reset();
    paused_ = false;
}

void AnimationPlayer::TogglePause()
{
    if (!frames_)
        return;
    paused_ = !paused_;
    if (paused_)
        timer_.stop();
    else
        ShowNext();
}

void AnimationPlayer::ShowNext()
{
    if (!frames_)
        return;
    Bitmap frame;
    int delay = 0;
    // After the last frame the sequence starts over; one that gives nothing then has ended.
    if (!frames_->Next(frame, delay) && !frames_->Next(frame, delay)) {
        Stop();
        return;
    }
    show_(std::move(frame));
    if (!paused_)
        timer_.start(ShownDelay(delay));
}

} // namespace pelmora
