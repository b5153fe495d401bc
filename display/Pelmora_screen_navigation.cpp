// Stepping through the browser's file list and the slideshow. The display
// window keeps no list of its own: a step moves the browser's focus and
// opens the newly focused entry again.
#include "Pelmora_screen.h"

#include "app/BrowserLink.h"
#include "app/Guarded.h"
#include "app/NeighbourPictures.h"
#include "app/ProgramFolder.h"
#include "settings/IniFile.h"

#include "DisplayImage.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace pelmora {

namespace {

constexpr const char* kStartSlideshow = "Start Slideshow...";
constexpr const char* kStopSlideshow = "Stop Slideshow...";
// What the neighbours decoded ahead and the picture shown may take together.
constexpr qint64 kDecodedBudget = qint64(512) << 20;

} // namespace

void TForm2::RecordRange()
{
    SelCountAtOpen = browser_->SelectedCount();
    if (SelCountAtOpen < 2) {
        FirstIndex = 0;
        LastIndex = browser_->EntryCount() - 1;
        return;
    }
    FirstIndex = browser_->SelectionPosition();
    LastIndex = FirstIndex;
    for (int position = browser_->EntryCount() - 1; position >= 0; --position)
        if (browser_->IsEntrySelected(position)) {
            LastIndex = position;
            break;
        }
}

void TForm2::RequestStep(Step step)
{
    // Keys held down arrive faster than pictures load: the latest one wins.
    pendingStep_ = step;
    if (stepScheduled_)
        return;
    stepScheduled_ = true;
    QTimer::singleShot(0, this, [this] { Guarded([this] { RunPendingStep(); }); });
}

void TForm2::RunPendingStep()
{
    stepScheduled_ = false;
    if (!pendingStep_)
        return;
    if (!isVisible()) {
        pendingStep_.reset();
        return;
    }
    // A step asked for while one runs (its message box open) waits for that one to end.
    if (stepping_)
        return;
    Step step = *pendingStep_;
    pendingStep_.reset();
    stepping_ = true;
    struct StepEnd {
        TForm2* form;
        ~StepEnd()
        {
            form->stepping_ = false;
            if (form->pendingStep_)
                form->RequestStep(*form->pendingStep_);
        }
    } end {this};
    MakeStep(step);
}

void TForm2::MakeStep(Step step)
{
    int target = -1;
    switch (step) {
    case Step::Next:
    case Step::Previous:
        target = browser_->NextEntry(browser_->FocusedEntry(), step == Step::Next, SelCountAtOpen >= 2);
        break;
    case Step::First:
    case Step::Last: {
        // Files deleted since the range was recorded: the list's last entry stands in.
        int position = step == Step::First ? FirstIndex : LastIndex;
        target = std::min(position, browser_->EntryCount() - 1);
        break;
    }
    }
    if (target < 0)
        return;
    // Home leads on forwards, End backwards.
    steppingForward_ = step == Step::Next || step == Step::First;
    browser_->FocusEntry(target);
    // The zoom is reset even when the file fails: the focus has moved on.
    ZoomPercent = 0;
    try {
        browser_->OpenFocusedEntry();
    } catch (const std::exception& e) {
        // A show is not halted by a file it cannot read: the file is passed
        // over with its message in the status bar, and the next tick goes on.
        if (!Timer1->isActive())
            throw;
        StatusBar_picture->setText(QString::fromUtf8(e.what()));
    }
}

void TForm2::PreloadNeighbours()
{
    int focused = browser_->FocusedEntry();
    std::vector<PictureRequest> requests;
    if (reducedShown_)
        requests.push_back({browser_->PathForEntry(focused), {}, nullptr});
    for (bool down : {steppingForward_, !steppingForward_}) {
        int target = browser_->NextEntry(focused, down, SelCountAtOpen >= 2);
        if (target >= 0)
            requests.push_back({browser_->PathForEntry(target), {}, nullptr});
    }
    const Bitmap& shown = Image1->Picture();
    neighbours_->Preload(std::move(requests), kDecodedBudget - qint64(shown.BytesPerLine()) * shown.Height());
}

void TForm2::Pop_screener_nextClick()
{
    RequestStep(Step::Next);
}

void TForm2::Pop_screener_previousClick()
{
    RequestStep(Step::Previous);
}

void TForm2::Pop_screener_slideshowClick()
{
    IniFile settings(SettingsFilePath().toStdString());
    int delay = std::clamp(settings.ReadInteger("Preferences", "SlideDelay", 2), 0, 30);
    // A delay of 0 steps as soon as each picture is shown.
    Timer1->setInterval(delay * 1000);
    bool start = Pop_screener_slideshow->text() == kStartSlideshow;
    if (start)
        Timer1->start();
    else
        Timer1->stop();
    Pop_screener_slideshow->setText(start ? kStopSlideshow : kStartSlideshow);
    Menu_view_slideshow->setText(Pop_screener_slideshow->text());
}

void TForm2::Timer1Timer()
{
    // A tick during a drag, while a step waits or while a message is open is skipped.
    QWidget* modal = QApplication::activeModalWidget();
    if (dragging_ || pendingStep_ || stepping_ || (modal && modal != this))
        return;
    int focused = browser_->FocusedEntry();
    int last = std::min(LastIndex, browser_->EntryCount() - 1);
    if (focused != last && browser_->NextEntry(focused, true, SelCountAtOpen >= 2) >= 0)
        RequestStep(Step::Next);
    else
        Pop_screener_slideshowClick();
}

} // namespace pelmora
