// The preview pane: a reduced copy of the focused file and its information
// line, and handing the focused file to the display window.
#include "Pelmora_main.h"

#include "BitmapImage.h"
#include "DevicePixels.h"
#include "NeighbourPictures.h"
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

// What the previews read ahead may take together; each is the panel's size.
constexpr qint64 kPreviewsAheadBudget = qint64(64) << 20;

} // namespace

PictureRequest TForm1::PreviewRequest(int position) const
{
    // Read no larger than the panel needs, and shrunk on the worker.
    QSize panel = DeviceSize(Panel_image->contentsRect().size(), Panel_image->devicePixelRatioF());
    PictureRequest request {PathForEntry(position), {panel.width(), panel.height()}, nullptr};
    request.finish = [panel](LoadedPicture& loaded) { ShrinkForPreview(loaded, panel); };
    return request;
}

void TForm1::ListView_filesClick()
{
    int focused = ListView_files->FocusedPosition();
    if (focused < 0 || DeletingFiles)
        return;
    previewForward_ = focused >= previewedPosition_;
    previewedPosition_ = focused;
    PictureRequest request = PreviewRequest(focused);
    // Read ahead while the user looked at the last one: shown at once.
    if (std::optional<LoadedPicture> ready = previewsAhead_->Take(request.path, request.decodeSize)) {
        previewTag_ = 0;
        ShowPreview(*ready, focused);
        return;
    }
    // On the workers: the list stays under the keys while a large picture
    // decodes. Reads ahead of this very file and of the next ones go on, so
    // keys faster than reads still find the next preview read or nearly.
    std::vector<PictureRequest> wanted {std::move(request)};
    for (PictureRequest& ahead : PreviewsAhead(focused))
        wanted.push_back(std::move(ahead));
    previewTag_ = previewsAhead_->Preload(std::move(wanted), kPreviewsAheadBudget).front();
}

std::vector<PictureRequest> TForm1::PreviewsAhead(int position) const
{
    // Two in the direction of travel, one on each worker, then one behind.
    const int step = previewForward_ ? 1 : -1;
    std::vector<PictureRequest> ahead;
    for (int offset : {step, 2 * step, -step})
        if (position + offset >= 0 && position + offset < ListView_files->Count())
            ahead.push_back(PreviewRequest(position + offset));
    return ahead;
}

void TForm1::PreviewLoaded(const LoadedPicture& loaded)
{
    // Only the latest request counts, and only while its entry has the focus:
    // a picture older than the focused entry is never shown.
    int focused = ListView_files->FocusedPosition();
    if (loaded.tag != previewTag_ || focused < 0 || DeletingFiles || PathForEntry(focused) != loaded.path)
        return;
    previewTag_ = 0;
    ShowPreview(loaded, focused);
}

void TForm1::ShowPreview(const LoadedPicture& loaded, int position)
{
    // A file that cannot be read says so in the pane: browsing goes on
    // without a box to answer at every damaged file.
    if (loaded.Failed()) {
        ShowPreviewFailure(loaded.error);
    } else {
        QSize box = UnitsFor(loaded.image.size(), Image1->devicePixelRatioF()); // the image is in device pixels
        CenterPreview(box.width(), box.height());
        Image1->SetPicture(loaded.image);
        StatusBar_picture->setText(PictureInformation(
            ListView_files->Model().Entry(position), loaded.fullSize.width(), loaded.fullSize.height(), loaded.format));
        ListView_files->SetFocusedPosition(ListView_files->SelectionPosition());
    }
    // While the user looks, the entries next to it are read, those in the
    // direction of travel first; the one shown is kept for a step back.
    std::vector<PictureRequest> ahead = PreviewsAhead(position);
    if (!loaded.Failed()) {
        ahead.push_back(PreviewRequest(position));
        previewsAhead_->Hold(loaded);
    }
    previewsAhead_->Preload(std::move(ahead), kPreviewsAheadBudget);
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
    // A preview on its way is not shown after a clear, nor are those read ahead.
    previewTag_ = 0;
    previewsAhead_->Clear();
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
