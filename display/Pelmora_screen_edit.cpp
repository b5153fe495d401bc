// The edit commands of the display window: one effect on the picture shown,
// its value asked for in the filter value dialog where it takes one, the
// result shown at once; and Ctrl+Z, which takes the last edits back.
#include "Pelmora_screen.h"

#include "AnimationPlayer.h"
#include "DisplayImage.h"
#include "EditHistory.h"
#include "NoticeLabel.h"
#include "PictureScrollBox.h"

#include "app/BusyCursor.h"
#include "effects/EffectCommand.h"
#include "effects/FilterKinds.h"
#include "effects/dialog/Pelmora_filters.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>

namespace pelmora {

namespace {

// Where the pixels of an operation's result come from in the picture.
EditMapping MappingOf(std::string_view operation)
{
    if (operation == "MirrorVertical")
        return EditMapping::MirroredRows;
    if (operation == "MirrorHorizontal")
        return EditMapping::MirroredColumns;
    if (operation == "Rotate90")
        return EditMapping::TurnedClockwise;
    if (operation == "Resample")
        return EditMapping::NewPicture;
    return EditMapping::SamePlaces;
}

// Takes an edit back on the picture shown, which is the picture the edit made.
void TakeBack(DisplayImage& image, EditHistory::Entry&& last)
{
    if (!last.undo)
        image.RestorePicture(std::move(last.before));
    else
        image.EditPicture(last.undo, last.undoMapping);
}

} // namespace

void TForm2::AttachFilterDialog(TForm4* filterDialog)
{
    filterDialog_ = filterDialog;
    // Shown over this window, also when it covers the screen.
    filterDialog_->setParent(this, filterDialog_->windowFlags());
}

void TForm2::Pop_screener_effectClick(std::string_view operation, const QString& caption)
{
    const FilterKind* kind = FindFilterKindByOperation(operation);
    if (!kind) {
        RunEdit(operation, {}, caption);
        return;
    }
    if (!filterDialog_)
        return;
    TForm4& dialog = *filterDialog_;
    // Resize starts from the picture's size (a zoom only shows it larger or smaller).
    QSize size = Image1->PictureSize();
    dialog.SetUpFor(*kind, size.width(), size.height());
    if (dialog.exec() != QDialog::Accepted)
        return;
    int position = dialog.ScrollEdit_opt->value();
    // FishEye's 5 and 3 run as 6 and 4, and the bar shows it; the value remembered stays the one chosen.
    int effective = EffectivePosition(*kind, position);
    if (effective != position)
        dialog.ScrollEdit_opt->setValue(effective);
    std::vector<double> values {EffectValue(*kind, position)};
    if (kind->valueCount >= 2)
        values.push_back(dialog.ScrollEdit_opt2->value());
    if (kind->valueCount >= 3)
        values.push_back(dialog.ScrollEdit_opt3->value());
    RunEdit(operation, values, caption);
}

void TForm2::RunEdit(std::string_view operation, const std::vector<double>& values, const QString& caption)
{
    // Edits act on the full picture, never on a reduced first paint.
    WaitForFullPicture();
    // A graphic without pixels (a metafile) has nothing to edit.
    if (!Image1->HasPicture())
        return;
    // The edit is of the frame shown: an animation stops there, or its next frame would undo the edit.
    Player_animation->Stop();
    BusyCursor busy;
    if (UndoesWithoutCopy(operation, Image1->Picture())) {
        // Run in place, with no copy kept: what the edit keeps takes it back.
        UndoStep undo;
        Image1->EditPicture(
            [&](Bitmap& pixels) { undo = RunEffectUndoably(operation, pixels, values); }, MappingOf(operation));
        edits_->PushUndoStep(caption, std::move(undo), MappingOf(operation));
    } else {
        Bitmap result;
        // The picture stays as it is until the effect has run: a failure leaves it shown.
        RunEffect(operation, Image1->Picture(), result, values);
        edits_->Push(caption, Image1->ReplacePicture(std::move(result), MappingOf(operation)));
    }
    if (ZoomPercent != 0)
        ShowZoom();
    ScrollBox1->UpdateRange();
    // A rotated picture narrower or lower than the window is centred, a larger one starts at its
    // corner; a resized one keeps its place.
    if (operation == "Rotate90")
        CentreImage(ClientHeight());
    // The result is on the screen before the busy cursor goes.
    Image1->repaint();
}

// The status bar is hidden in full screen, where the user would not see the message there.
void TForm2::ShowUndoMessage(const QString& text)
{
    StatusBar_picture->setText(text);
    if (StatusBar1->isHidden())
        NoticeLabel::ShowOver(this, text);
}

void TForm2::UndoEditClick()
{
    if (edits_->Empty()) {
        ShowUndoMessage("Nothing to undo");
        return;
    }
    EditHistory::Entry last = edits_->Pop();
    const QSize before = Image1->size();
    const QString caption = last.caption;
    TakeBack(*Image1, std::move(last));
    if (ZoomPercent != 0)
        ShowZoom();
    ScrollBox1->UpdateRange();
    if (Image1->size() != before)
        CentreImage(ClientHeight());
    ShowUndoMessage("Undone: " + caption);
}

void TForm2::KeepCopiesForUndo()
{
    if (!edits_->HasUndoSteps())
        return;
    DisplayImage::State now = Image1->PictureCopy();
    // Newest first: each edit taken back in turn leaves the picture before it.
    std::vector<EditHistory::Entry> copies;
    while (edits_->HasUndoSteps()) {
        EditHistory::Entry last = edits_->Pop();
        const QString caption = last.caption;
        TakeBack(*Image1, std::move(last));
        copies.push_back({caption, Image1->PictureCopy(), {}, {}});
    }
    for (auto entry = copies.rbegin(); entry != copies.rend(); ++entry)
        edits_->Push(entry->caption, std::move(entry->before));
    Image1->RestorePicture(std::move(now));
}

int TForm2::UndoableEdits() const
{
    return int(edits_->Size());
}

} // namespace pelmora
