// The preview pane: a reduced copy of the focused file and its information
// line, and handing the focused file to the display window.
#include "Pelmora_main.h"

#include "BitmapImage.h"
#include "DevicePixels.h"
#include "PictureFile.h"
#include "PictureLoader.h"
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

namespace {

// On the worker: the reduced copy the box shows, made from a picture read
// no larger than the panel needs; the decoded picture is let go here.
void ShrinkForPreview(LoadedPicture& loaded, QSize panelClient)
{
    DecodeToBitmap(*loaded.picture); // a metafile is drawn at its own size
    Bitmap& bitmap = loaded.picture->AsBitmap();
    loaded.fullSize = QSize(bitmap.FullWidth(), bitmap.FullHeight());
    loaded.format = bitmap.GetPixelFormat();
    QSize size = PreviewSize(loaded.fullSize, panelClient);
    QImage shown = BitmapToImage(bitmap);
    if (!shown.isNull() && shown.size() != size)
        shown = shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shown = OverCheckerboard(shown);
    // Neither scaled nor laid over the checkerboard, it still wraps the rows
    // that go with the picture: only then is a copy of its own needed.
    if (!shown.isNull() && shown.constBits() == bitmap.Bits())
        shown = shown.copy();
    loaded.image = shown;
    loaded.picture.reset();
}

} // namespace

void TForm1::ListView_filesClick()
{
    int focused = ListView_files->FocusedPosition();
    if (focused < 0 || DeletingFiles)
        return;
    // Read on the worker, no larger than the panel: the list stays under the
    // keys while a large picture decodes.
    QSize panel = DeviceSize(Panel_image->contentsRect().size(), Panel_image->devicePixelRatioF());
    PictureRequest request {PathForEntry(focused), {panel.width(), panel.height()}, nullptr};
    request.finish = [panel](LoadedPicture& loaded) { ShrinkForPreview(loaded, panel); };
    previewTag_ = previewLoader_->Load(std::move(request));
}

void TForm1::PreviewLoaded(const LoadedPicture& loaded)
{
    // Only the latest request counts, and only while its entry has the focus:
    // a picture older than the focused entry is never shown.
    int focused = ListView_files->FocusedPosition();
    if (loaded.tag != previewTag_ || focused < 0 || DeletingFiles || PathForEntry(focused) != loaded.path)
        return;
    previewTag_ = 0;
    // A file that cannot be read says so in the pane: browsing goes on
    // without a box to answer at every damaged file.
    if (loaded.Failed()) {
        ShowPreviewFailure(loaded.error);
        return;
    }
    QSize box = UnitsFor(loaded.image.size(), Image1->devicePixelRatioF()); // the image is in device pixels
    CenterPreview(box.width(), box.height());
    Image1->SetPicture(loaded.image);
    StatusBar_picture->setText(PictureInformation(
        ListView_files->Model().Entry(focused), loaded.fullSize.width(), loaded.fullSize.height(), loaded.format));
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
    // A preview on its way is not shown after a clear.
    previewTag_ = 0;
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
    QString path = PathForEntry(focused);
    emit DecodedPictureWanted(path, picture);
    if (!picture.GetGraphic())
        LoadPictureFile(picture, path);
    // One decoded copy is held at a time: the display window's.
    Image1Click();
    emit PictureOpened(picture);
}

} // namespace pelmora
