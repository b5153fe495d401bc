// The preview pane: a reduced copy of the focused file and its information
// line, and handing the focused file to the display window.
#include "Pelmora_main.h"

#include "BitmapImage.h"
#include "PictureFile.h"
#include "PreviewImageBox.h"
#include "PreviewLayout.h"
#include "formats/Picture.h"

#include <QAction>
#include <QFrame>
#include <QLabel>

namespace pelmora {

QString TForm1::PathForEntry(int position) const
{
    return CurrentFolder + ListView_files->Caption(position);
}

void TForm1::ListView_filesClick()
{
    int focused = ListView_files->FocusedPosition();
    if (focused < 0 || DeletingFiles)
        return;
    // A file that cannot be read says so in the pane: browsing goes on
    // without a box to answer at every damaged file.
    Picture picture;
    try {
        LoadPictureFile(picture, PathForEntry(focused));
        DecodeToBitmap(picture);
    } catch (const std::exception& e) {
        ShowPreviewFailure(QString::fromUtf8(e.what()));
        return;
    }
    Bitmap& bitmap = picture.AsBitmap();
    QSize size = PreviewSize(QSize(bitmap.Width(), bitmap.Height()), Panel_image->contentsRect().size());
    QImage shown = BitmapToImage(bitmap);
    if (!shown.isNull() && shown.size() != size)
        shown = shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shown = OverCheckerboard(shown);

    CenterPreview(size.width(), size.height());
    Image1->SetPicture(shown);
    StatusBar_picture->setText(PictureInformation(
        ListView_files->Model().Entry(focused), picture.Width(), picture.Height(), bitmap.GetPixelFormat()));
    ListView_files->SetFocusedPosition(ListView_files->SelectionPosition());
}

void TForm1::ShowPreviewFailure(const QString& message)
{
    Image1->ShowMessage(message);
    KeepPreviewPlaced();
    StatusBar_picture->setText(message);
}

void TForm1::KeepPreviewPlaced()
{
    if (Image1->HasPicture())
        CenterPreview(Image1->width(), Image1->height());
    else if (Image1->HasMessage()) // a message takes the whole pane
        Image1->setGeometry(Panel_image->contentsRect());
}

void TForm1::CenterPreview(int width, int height)
{
    QSize box(width, height);
    QPoint origin = Panel_image->contentsRect().topLeft() + PreviewOrigin(Panel_image->size(), box);
    Image1->setGeometry(QRect(origin, box));
}

void TForm1::Image1Click()
{
    Image1->Clear();
}

void TForm1::PopupMenu_imagePopup()
{
    Pop_image_clear->setEnabled(Image1->HasPicture());
}

void TForm1::ToolButton_viewClick()
{
    if (ListView_files->SelectedCount() > 0)
        ListView_filesDblClick();
}

void TForm1::ListView_filesDblClick()
{
    int focused = ListView_files->FocusedPosition();
    if (focused < 0)
        return;
    // A JPEG picture becomes a plain bitmap; other formats stay as loaded.
    Picture picture;
    LoadPictureFile(picture, PathForEntry(focused));
    // One decoded copy is held at a time: the display window's.
    Image1Click();
    if (ShowPicture)
        ShowPicture(picture);
}

} // namespace pelmora
