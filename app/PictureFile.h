// Reading a picture file for the windows. What the user sees of a failure
// names the file, since a message alone does not say which of many it was.
#pragma once

#include <QString>

#include <functional>

namespace pelmora {

class Picture;

// Loads the file at `path` into `picture` through the format registry and
// turns a JPEG picture into a plain bitmap. A failure is passed on with the
// file's name before the reader's own message: "photo.tif: Invalid TIFF file."
void LoadPictureFile(Picture& picture, const QString& path);

// For tests: called with the path before every read, on the thread that
// reads, so a test can count reads or hold one back. Unset: nothing is called.
void SetPictureFileObserver(std::function<void(const QString& path)> observer);

} // namespace pelmora
