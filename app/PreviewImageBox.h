// The preview's image box: shows its picture at natural size from its
// top-left corner, without stretching, clipped to the box.
#pragma once

#include <QImage>
#include <QWidget>

namespace pelmora {

class PreviewImageBox : public QWidget {
    Q_OBJECT
public:
    explicit PreviewImageBox(QWidget* parent = nullptr);

    // The box keeps a copy of its own.
    void SetPicture(const QImage& picture);
    // Empties the picture; size and position stay.
    void Clear();
    bool HasPicture() const { return !picture_.isNull(); }
    const QImage& Picture() const { return picture_; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

} // namespace pelmora
