// One picture read for a Qt program through a reader of ours. Read only; a
// damaged file gives no image and a false result, never an exception.
#pragma once

#include "formats/Graphic.h"

#include <QByteArray>
#include <QImageIOHandler>

#include <cstdint>
#include <span>

namespace pelmora {

// A format the plugin offers: its key and the reader of its files.
struct PluginFormat {
    const char* key;
    const GraphicClass& (*reader)();
    // Whether the format can be told by its first bytes (nullptr: it has no signature).
    bool (*hasSignature)(std::span<const uint8_t> head);
};

// The format of a key of ours ("cut", "rla", "rpf", "cel", "pcd", "wmf", "emf"); nullptr for others.
const PluginFormat* FormatOfKey(const QByteArray& key);
// The format whose signature the device's first bytes show, without reading them; nullptr when none.
const PluginFormat* FormatOfContent(QIODevice* device);

class PelmoraImageHandler : public QImageIOHandler {
public:
    explicit PelmoraImageHandler(const PluginFormat& format);

    // Formats with a signature must show it; the others are left to the reader.
    bool canRead() const override;
    bool read(QImage* image) override;

private:
    const PluginFormat& format_;
};

} // namespace pelmora
