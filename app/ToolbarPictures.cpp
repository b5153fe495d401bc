#include "ToolbarPictures.h"

#include <QApplication>
#include <QStyle>

#include <array>
#include <initializer_list>

namespace pelmora {

namespace {

struct PictureSource {
    int number;
    std::initializer_list<const char*> themeNames; // the first the theme has wins
    QStyle::StandardPixmap fallback;
};

const std::array<PictureSource, 13> kPictures = { {
    { 1, { "edit-delete" }, QStyle::SP_TrashIcon },
    { 2, { "document-open", "view-preview" }, QStyle::SP_DialogOpenButton },
    { 3, { "view-refresh" }, QStyle::SP_BrowserReload },
    { 4, { "help-contents" }, QStyle::SP_DialogHelpButton },
    { kFileGlyphPicture, { "image-x-generic" }, QStyle::SP_FileIcon },
    { 7, { "edit-copy" }, QStyle::SP_FileDialogNewFolder },
    { 8, { "help-about" }, QStyle::SP_MessageBoxInformation },
    { 9, { "folder-open" }, QStyle::SP_DirOpenIcon },
    { 10, { "go-up" }, QStyle::SP_FileDialogToParent },
    { 11, { "go-jump", "edit-cut" }, QStyle::SP_ArrowForward },
    { 13, { "preferences-system" }, QStyle::SP_FileDialogDetailedView },
    { 14, { "media-playback-start" }, QStyle::SP_MediaPlay },
    { 15, { "application-exit" }, QStyle::SP_DialogCloseButton },
} };

} // namespace

QIcon ToolbarPicture(int number)
{
    for (const PictureSource& source : kPictures) {
        if (source.number != number)
            continue;
        for (const char* name : source.themeNames) {
            QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
            if (!icon.isNull())
                return icon;
        }
        return QApplication::style()->standardIcon(source.fallback);
    }
    return {};
}

} // namespace pelmora
