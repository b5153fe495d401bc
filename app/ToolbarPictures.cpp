#include "ToolbarPictures.h"

#include <QApplication>
#include <QPixmap>
#include <QStyle>

#include <algorithm>
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

constexpr int kSide = 16; // the toolbar's and the menus' pictures, in the screen's own units

// The picture drawn for screens of 1, 2 and 3 device pixels a unit, so the
// icon never stretches a small bitmap smoothly (which blurs it): a larger
// drawing is reduced, and where there is none a smaller one is repeated
// pixel for pixel when the ratio allows, which keeps its edges.
QIcon SharpAtEveryRatio(const QIcon& source)
{
    const QList<QSize> sizes = source.availableSizes();
    if (sizes.isEmpty())
        return source; // drawn from a scalable picture at any size
    QIcon sharp;
    for (int ratio : {1, 2, 3}) {
        const int wanted = kSide * ratio;
        int largest = 0, fitting = 0;
        for (const QSize& size : sizes) {
            int side = std::min(size.width(), size.height());
            largest = std::max(largest, side);
            if (side <= wanted && wanted % side == 0)
                fitting = std::max(fitting, side);
        }
        QPixmap pixmap;
        if (largest >= wanted || fitting == 0)
            pixmap = source.pixmap(QSize(wanted, wanted), 1.0).scaled(
                wanted, wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        else
            pixmap = source.pixmap(QSize(fitting, fitting), 1.0)
                         .scaled(wanted, wanted, Qt::KeepAspectRatio, Qt::FastTransformation);
        pixmap.setDevicePixelRatio(ratio);
        sharp.addPixmap(pixmap);
    }
    return sharp;
}

} // namespace

QIcon ToolbarPicture(int number)
{
    for (const PictureSource& source : kPictures) {
        if (source.number != number)
            continue;
        for (const char* name : source.themeNames) {
            QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
            if (!icon.isNull())
                return SharpAtEveryRatio(icon);
        }
        return SharpAtEveryRatio(QApplication::style()->standardIcon(source.fallback));
    }
    return {};
}

} // namespace pelmora
