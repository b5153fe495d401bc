// What Ctrl+Z takes back in the display window: the picture as it was before
// each of the last few edits of the picture shown, newest last. The memory
// goes when the picture shown changes (another file, a delete, closing).
#pragma once

#include "DisplayImage.h"

#include <QString>

#include <algorithm>
#include <deque>
#include <functional>

namespace pelmora {

class EditHistory {
public:
    // How many edits can be taken back one after the other.
    static constexpr size_t kDepth = 5;

    struct Entry {
        QString caption; // the edit's menu item: "Mosaic", "Rotate 90º"
        DisplayImage::State before;
        // An edit made in place that can be taken back without a copy (Invert,
        // the mirrors, Emboss) keeps the step that does it instead of the
        // picture before it, and where that step takes the pixels.
        std::function<void(Bitmap&)> undo;
        EditMapping undoMapping = EditMapping::SamePlaces;
    };

    void Push(const QString& caption, DisplayImage::State&& before) { Push({caption, std::move(before), {}, {}}); }
    void PushUndoStep(const QString& caption, std::function<void(Bitmap&)>&& undo, EditMapping mapping)
    {
        Push({caption, {}, std::move(undo), mapping});
    }
    bool Empty() const { return entries_.empty(); }
    // Whether an edit is kept as the step that takes it back.
    bool HasUndoSteps() const
    {
        return std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return bool(e.undo); });
    }
    size_t Size() const { return entries_.size(); }
    Entry Pop()
    {
        Entry last = std::move(entries_.back());
        entries_.pop_back();
        return last;
    }
    void Clear() { entries_.clear(); }

private:
    void Push(Entry&& entry)
    {
        entries_.push_back(std::move(entry));
        while (entries_.size() > kDepth)
            entries_.pop_front();
    }

    std::deque<Entry> entries_;
};

} // namespace pelmora
