// The preview pane: a reduced copy of the focused file and its information
// line, and handing the focused file to the display window.
#include "Pelmora_main.h"

#include "BitmapImage.h"
#include "FolderPath.h"
#include "PreviewImageBox.h"
#include "PreviewLayout.h"
#include "formats/JpegImage.h"
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
    // Everything is loaded and scaled before anything shown changes, so a
    // file that fails leaves the preview, the information and the focus as they were.
    Picture picture;
    picture.LoadFromFile(FileSystemPath(PathForEntry(focused)));
    DecodeToBitmap(picture);
    Bitmap& bitmap = picture.AsBitmap();
    QSize size = PreviewSize(QSize(bitmap.Width(), bitmap.Height()), Panel_image->contentsRect().size());
    QImage shown = BitmapToImage(bitmap);
    if (!shown.isNull() && shown.size() != size)
        shown = shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    CenterPreview(size.width(), size.height());
    Image1->SetPicture(shown);
    StatusBar_picture->setText(PictureInformation(
        ListView_files->Model().Entry(focused), picture.Width(), picture.Height(), bitmap.GetPixelFormat()));
    ListView_files->SetFocusedPosition(ListView_files->SelectionPosition());
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
    Picture picture;
    picture.LoadFromFile(FileSystemPath(PathForEntry(focused)));
    // A JPEG picture becomes a plain bitmap; other formats stay as loaded.
    if (picture.GetGraphic()->Is(TJPEGImage::StaticClass()))
        DecodeToBitmap(picture);
    // One decoded copy is held at a time: the display window's.
    Image1Click();
    if (ShowPicture)
        ShowPicture(picture);
}

} // namespace pelmora
