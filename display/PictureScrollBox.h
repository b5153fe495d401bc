// The display window's picture area: a scroll box holding the picture at an
// offset of its own (left, top). With the automatic range on it scrolls
// over the picture's extent; with it off it never scrolls.
#pragma once

#include <QScrollArea>

namespace pelmora {

class PictureScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit PictureScrollBox(QWidget* parent = nullptr);

    // The control the picture sits in; `content` becomes its child.
    void SetContent(QWidget* content);
    void SetAutoScroll(bool on);
    bool AutoScroll() const { return autoScroll_; }
    // Places the content at left, top of the scrolled area (not clamped).
    void PlaceContent(int left, int top);
    // The scroll range follows the content's extent.
    void UpdateRange();

    int HorizontalPosition() const;
    int VerticalPosition() const;
    // Both are clamped to the range.
    void SetHorizontalPosition(int position);
    void SetVerticalPosition(int position);
    bool ShowsScrollBar() const;
    bool ShowsHorizontalBar() const;
    bool ShowsVerticalBar() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* canvas_;
    QWidget* content_ = nullptr;
    bool autoScroll_ = true;
};

} // namespace pelmora
