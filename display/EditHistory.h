// What Ctrl+Z takes back in the display window: the picture as it was before
// each of the last few edits of the picture shown, newest last. The memory
// goes when the picture shown changes (another file, a delete, closing).
#pragma once

#include "DisplayImage.h"

#include <QString>

#include <deque>

namespace pelmora {

class EditHistory {
public:
    // How many edits can be taken back one after the other.
    static constexpr size_t kDepth = 5;

    struct Entry {
        QString caption; // the edit's menu item: "Mosaic", "Rotate 90º"
        DisplayImage::State before;
    };

    void Push(const QString& caption, DisplayImage::State&& before)
    {
        entries_.push_back({caption, std::move(before)});
        while (entries_.size() > kDepth)
            entries_.pop_front();
    }
    bool Empty() const { return entries_.empty(); }
    size_t Size() const { return entries_.size(); }
    Entry Pop()
    {
        Entry last = std::move(entries_.back());
        entries_.pop_back();
        return last;
    }
    void Clear() { entries_.clear(); }

private:
    std::deque<Entry> entries_;
};

} // namespace pelmora
