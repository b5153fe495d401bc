// The preview's image box: shows its picture at natural size from its
// top-left corner, without stretching, clipped to the box. Natural size is
// one pixel a device pixel, also on a high-density screen.
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
    // Empties the picture and the message; size and position stay.
    void Clear();
    bool HasPicture() const { return !picture_.isNull(); }
    const QImage& Picture() const { return picture_; }
    // Shows a message in place of a picture: why the file could not be shown.
    void ShowMessage(const QString& message);
    bool HasMessage() const { return !message_.isEmpty(); }
    const QString& Message() const { return message_; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    QString message_;
};

} // namespace pelmora
