// The display window's file commands: copy, move and delete of the file
// shown (the browser's focused entry) through the browser's operations, the
// entry shown next, and saving the picture shown, edits included.
#include "Pelmora_screen.h"

#include "DisplayImage.h"
#include "EditHistory.h"

#include "app/BrowserLink.h"
#include "app/BusyCursor.h"
#include "app/Guarded.h"
#include "app/Platform.h"
#include "app/PlatformFiles.h"
#include "formats/Exception.h"
#include "formats/JpegImage.h"
#include "formats/PngFile.h"
#include "formats/Stream.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace pelmora {

namespace {

// A stream that writes into a Qt device (the save's temporary file).
class DeviceStream final : public Stream {
public:
    explicit DeviceStream(QIODevice& device)
        : device_(device)
    {
    }
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void* buffer, size_t count) override
    {
        qint64 written = device_.write(static_cast<const char*>(buffer), qint64(count));
        return written < 0 ? 0 : size_t(written);
    }
    int64_t Position() const override { return device_.pos(); }
    void SetPosition(int64_t position) override { device_.seek(position); }
    int64_t Size() const override { return device_.size(); }

private:
    QIODevice& device_;
};

enum class SaveFormat { Bitmap, Png, Jpeg };

// The save dialog's choices, the first the default.
struct SaveChoice {
    const char* filter;
    const char* extension;
    SaveFormat format;
};
const SaveChoice kSaveChoices[] = {
    {"Bmp files (*.bmp)", "bmp", SaveFormat::Bitmap},
    {"Png files (*.png)", "png", SaveFormat::Png},
    {"Jpeg files (*.jpg)", "jpg", SaveFormat::Jpeg},
};
constexpr int kJpegQuality = 92;

const SaveChoice& ChoiceOf(const QString& filter)
{
    for (const SaveChoice& choice : kSaveChoices)
        if (filter == choice.filter)
            return choice;
    return kSaveChoices[0];
}

// A name ending in one of the choices' extensions is written in that format; any other in the chosen one.
SaveFormat FormatFor(const QString& path, const QString& filter)
{
    QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "jpeg")
        return SaveFormat::Jpeg;
    for (const SaveChoice& choice : kSaveChoices)
        if (suffix == choice.extension)
            return choice.format;
    return ChoiceOf(filter).format;
}

// The browser's DeletingFiles for the length of a delete or a move.
class DeletingFiles {
public:
    explicit DeletingFiles(BrowserLink& browser)
        : browser_(browser)
        , was_(browser.IsDeletingFiles())
    {
        browser_.SetDeletingFiles(true);
    }
    ~DeletingFiles() { browser_.SetDeletingFiles(was_); }
    DeletingFiles(const DeletingFiles&) = delete;
    DeletingFiles& operator=(const DeletingFiles&) = delete;

private:
    BrowserLink& browser_;
    bool was_;
};

} // namespace

void TForm2::Pop_screener_filecopyClick()
{
    browser_->CopyFocusedEntry();
}

void TForm2::Pop_screener_filemoveClick()
{
    int shown = browser_->FocusedEntry();
    if (shown < 0)
        return;
    DeletingFiles deleting(*browser_);
    // The browser's move: never replacing, safe across file systems, its messages its own.
    if (browser_->MoveFocusedEntry())
        LeaveShownEntry(shown);
}

void TForm2::Pop_screener_filedeleteClick()
{
    int shown = browser_->FocusedEntry();
    if (shown < 0)
        return;
    DeletingFiles deleting(*browser_);
    if (!platform::Confirm(this, "Do you really want to delete file  '" + browser_->EntryCaption(shown) + "' ?"))
        return;
    // A file that cannot be deleted is reported by the browser and stays shown, its entry kept.
    if (browser_->DeleteEntryFile(shown))
        LeaveShownEntry(shown);
}

int TForm2::EntryShownNext(int position) const
{
    int count = browser_->EntryCount();
    if (position == count - 1)
        return position - 1;
    if (browser_->SelectedCount() <= 1)
        return position + 1;
    for (int at = position + 1; at < count; ++at)
        if (browser_->IsEntrySelected(at))
            return at;
    for (int at = position - 1; at >= 0; --at)
        if (browser_->IsEntrySelected(at))
            return at;
    return position + 1;
}

void TForm2::LeaveShownEntry(int position)
{
    Image1->Clear();
    edits_->Clear();
    if (browser_->EntryCount() > 1) {
        browser_->FocusEntry(EntryShownNext(position));
        // A next file that cannot be read is reported; the entry of the file gone goes all the same.
        Guarded([this] { browser_->OpenFocusedEntry(); });
    }
    browser_->RemoveEntry(position);
    if (browser_->EntryCount() == 0) {
        close();
        return;
    }
    ShowPosition();
}

void TForm2::Pop_screener_savetofileClick()
{
    WaitForFullPicture();
    // A graphic without pixels (a metafile) has nothing to write.
    if (!Image1->HasPicture())
        return;
    QFileDialog dialog(this);
    dialog.setObjectName("SaveDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const SaveChoice& choice : kSaveChoices)
        filters.append(choice.filter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    // A name typed without an extension gets the chosen kind's.
    dialog.setDefaultSuffix(kSaveChoices[0].extension);
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(ChoiceOf(filter).extension); });
    dialog.setDirectory(browser_->PathBarText());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().first();
    QString filter = dialog.selectedNameFilter();
    // Where the desktop's dialog added no extension, it has not asked about the name with one either.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QString(".") + ChoiceOf(filter).extension;
        if (QFileInfo::exists(path)
            && !platform::Confirm(this, QFileInfo(path).fileName() + " already exists.\nDo you want to replace it?"))
            return;
    }
    SavePicture(path, filter);
}

void TForm2::SavePicture(const QString& path, const QString& chosenFilter)
{
    BusyCursor busy;
    const Bitmap& picture = Image1->Picture();
    const SaveFormat format = FormatFor(path, chosenFilter);
    QString error;
    bool written = false;
    try {
        // The old file is replaced only by a whole new one.
        written = platform::WriteFileReplacing(
            path,
            [&](QIODevice& file) {
                DeviceStream stream(file);
                switch (format) {
                case SaveFormat::Bitmap: picture.SaveBitmapToStream(stream); break;
                case SaveFormat::Png: SavePngToStream(picture, stream); break;
                case SaveFormat::Jpeg: SaveJpegToStream(picture, stream, kJpegQuality); break;
                }
            },
            error);
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    if (!written)
        throw Exception(("Unable to write file '" + path + "': " + error).toStdString());
}

} // namespace pelmora
