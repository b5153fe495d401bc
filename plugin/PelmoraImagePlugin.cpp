#include "PelmoraImagePlugin.h"

#include "PelmoraImageHandler.h"

namespace pelmora {

QImageIOPlugin::Capabilities PelmoraImagePlugin::capabilities(QIODevice* device, const QByteArray& format) const
{
    if (FormatOfKey(format))
        return CanRead;
    if (format.isEmpty() && FormatOfContent(device))
        return CanRead;
    return {};
}

QImageIOHandler* PelmoraImagePlugin::create(QIODevice* device, const QByteArray& format) const
{
    // Qt names the file's suffix here even when it chose us by content (an Autodesk .pic).
    const PluginFormat* f = FormatOfKey(format);
    if (!f)
        f = FormatOfContent(device);
    if (!f)
        return nullptr;
    auto* handler = new PelmoraImageHandler(*f);
    handler->setDevice(device);
    handler->setFormat(f->key);
    return handler;
}

} // namespace pelmora
