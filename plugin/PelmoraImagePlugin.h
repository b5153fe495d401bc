// The plugin Qt loads from its imageformats folder: CUT (with its .pal beside
// it), RLA/RPF, Autodesk cel/pic and Photo-CD, read through our readers.
#pragma once

#include <QImageIOPlugin>

namespace pelmora {

class PelmoraImagePlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "pelmora.json")

public:
    // CanRead for a key of ours; with no format named, for content that shows a signature of ours.
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};

} // namespace pelmora
