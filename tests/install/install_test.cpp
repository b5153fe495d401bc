// The installed tree: `cmake --install` into a temporary DESTDIR, then what
// desktops and plain Qt programs see of it. Through the installed plugin a
// QImageReader reads our formats with the same pixels as pelmora-convert,
// and refuses what pelmora-convert refuses.
#include "formats/Bitmap.h"
#include "tests/support/CutFile.h"
#include "tests/support/MetafileFile.h"
#include "tests/support/ReaderFixtures.h"
#include "tests/support/TestFiles.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// The staging folder (DESTDIR) and the prefix installed under it.
std::string gStage;
const std::string kPrefix = "/opt/pelmora";

std::string Installed(const std::string& path)
{
    return gStage + kPrefix + "/" + path;
}

RgbaImage ToRgba(const QImage& image)
{
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    RgbaImage out {rgba.width(), rgba.height(), {}};
    for (int y = 0; y < rgba.height(); ++y)
        out.pixels.insert(out.pixels.end(), rgba.constScanLine(y), rgba.constScanLine(y) + rgba.width() * 4);
    return out;
}

// The fixture name as a file name of `extension` in `dir`.
std::string FixtureFile(const QTemporaryDir& dir, const Fixture& f, const char* extension)
{
    return dir.filePath(QString::fromStdString(f.name + "." + extension)).toStdString();
}

class InstallTest : public QObject {
    Q_OBJECT

private slots:
    void installsEveryFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("iconSize"); // 0: not a PNG icon
        const char* files[]
            = {"bin/pelmora", "bin/pelmora-convert", "share/pelmora/Pelmora.txt", "share/applications/pelmora.desktop",
                "share/icons/hicolor/scalable/apps/pelmora.svg", "share/mime/packages/pelmora.xml",
                "share/thumbnailers/pelmora.thumbnailer", "share/man/man1/pelmora-convert.1"};
        for (const char* file : files)
            QTest::newRow(file) << QString::fromStdString(Installed(file)) << 0;
        for (int size : {48, 256}) {
            std::string icon
                = "share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/pelmora.png";
            QTest::newRow(icon.c_str()) << QString::fromStdString(Installed(icon)) << size;
        }
        QTest::newRow("plugin") << QString::fromStdString(gStage + PELMORA_QT_PLUGIN_DIR "/imageformats/libpelmora.so")
                                << 0;
    }
    void installsEveryFile()
    {
        QFETCH(QString, path);
        QFETCH(int, iconSize);
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
        if (iconSize)
            QCOMPARE(QImage(path).size(), QSize(iconSize, iconSize));
    }

    void desktopFilesPassTheirValidators_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("desktop entry") << "desktop-file-validate "
                + QString::fromStdString(Installed("share/applications/pelmora.desktop"));
        QTest::newRow("MIME XML") << "xmllint --noout "
                + QString::fromStdString(Installed("share/mime/packages/pelmora.xml"));
    }
    void desktopFilesPassTheirValidators()
    {
        QFETCH(QString, command);
        CommandResult r = RunCommand(command.toStdString() + " 2>&1");
        QVERIFY2(r.status == 0 && r.output.empty(), r.output.c_str());
    }

    // The database built from our XML names the rare types by file name and by content.
    void mimeTypesAreKnownByNameAndContent_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("type");
        QByteArray cel("\x19\x91\x02\x00\x02\x00", 6);
        QTest::newRow("cut by name") << "a.cut" << QByteArray(8, 1) << "image/x-halo-cut";
        QTest::newRow("cel by content") << "cel" << cel << "image/x-autodesk-cel";
        QTest::newRow("pic by content") << "a.pic" << cel << "image/x-autodesk-cel";
    }
    void mimeTypesAreKnownByNameAndContent()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, type);
        QTemporaryDir dir;
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        QCOMPARE(QMimeDatabase().mimeTypeForFile(f.fileName()).name(), type);
    }

    void pluginReadsAsTheConverterDoes_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        const std::pair<const char*, std::vector<const char*>> formats[]
            = {{"cut", {"cut"}}, {"rla", {"rla", "rpf"}}, {"autodesk", {"cel", "pic"}}, {"pcd", {"pcd"}}};
        for (const Fixture& f : ReaderFixtures())
            for (const auto& [target, extensions] : formats)
                if (f.target == target)
                    for (const char* extension : extensions)
                        QTest::newRow((f.name + "." + extension).c_str())
                            << QString(target) << QString::fromStdString(f.name) << QString(extension);
    }
    void pluginReadsAsTheConverterDoes()
    {
        QFETCH(QString, target);
        QFETCH(QString, name);
        QFETCH(QString, extension);
        const std::vector<Fixture> fixtures = ReaderFixtures();
        auto f = std::find_if(fixtures.begin(), fixtures.end(),
            [&](const Fixture& x) { return x.target == target.toStdString() && x.name == name.toStdString(); });
        QTemporaryDir dir;
        const std::string file = FixtureFile(dir, *f, qPrintable(extension)), bmp = file + ".bmp";
        WriteFile(file, f->bytes);
        if (target == "cut") {
            std::vector<uint8_t> rgb;
            for (int i = 0; i < 256 * 3; ++i)
                rgb.push_back(uint8_t(i * 7));
            WriteFile(FixtureFile(dir, *f, "pal"), CutPaletteBytes(rgb));
        }
        const bool converted
            = RunCommand(Installed("bin/pelmora-convert") + " '" + file + "' '" + bmp + "'").status == 0
            && std::filesystem::file_size(bmp) > 0;
        QImageReader reader(QString::fromStdString(file));
        const QByteArray format = reader.format();
        const QImage image = reader.read();
        if (!converted) {
            QVERIFY2(image.isNull(), "read what pelmora-convert refuses");
            return;
        }
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        // Autodesk's .pic files are told by content, under the key of their kind.
        QCOMPARE(format, extension == "pic" ? QByteArray("cel") : extension.toLatin1());
        QCOMPARE(
            QString::fromStdString(CompareImages(pelmora::test::ToRgba(LoadBitmap(bmp)), ToRgba(image))), QString());
    }

    void pluginDrawsMetafiles()
    {
        pelmora::test::WmfWriter red; // a red filled rectangle, no pen, on a picture of 200 x 100
        red.Brush(0, 0xFF0000).Pen(5, 0, 0).Select(0).Select(1).Rectangle(40, 20, 120, 80);
        QTemporaryDir dir;
        const QString file = dir.filePath("red.wmf");
        WriteFile(file.toStdString(), red.Placeable(0, 0, 200, 100, 96));
        QImageReader reader(file);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(200, 100));
        QCOMPARE(image.pixel(80, 50), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(10, 10), qRgb(255, 255, 255));
    }

    void theHostsAllocationLimitIsHonoured()
    {
        QTemporaryDir dir;
        const int previous = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(1);
        for (auto [width, height, readable] : {std::tuple {100, 100, true}, {1100, 1000, false}}) {
            const std::string file = dir.filePath("big.cut").toStdString();
            WriteFile(file, CutFileBytes(width, height, std::vector<uint8_t>(size_t(width * height), 1)));
            QCOMPARE(!QImageReader(QString::fromStdString(file)).read().isNull(), readable);
        }
        QImageReader::setAllocationLimit(previous);
    }
};

} // namespace

int main(int argc, char** argv)
{
    // Installed before the application starts, which reads QT_PLUGIN_PATH.
    QTemporaryDir stage;
    gStage = stage.path().toStdString();
    CommandResult install = RunCommand(
        "DESTDIR='" + gStage + "' '" CMAKE_COMMAND "' --install '" PELMORA_BUILD_DIR "' --prefix " + kPrefix);
    CommandResult database = RunCommand("update-mime-database '" + Installed("share/mime") + "'");
    if (install.status != 0 || database.status != 0) {
        std::fprintf(stderr, "%s%s", install.error.c_str(), database.error.c_str());
        return 1;
    }
    qputenv("QT_PLUGIN_PATH", QByteArray::fromStdString(gStage + PELMORA_QT_PLUGIN_DIR));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(Installed("share") + ":/usr/share"));
    QGuiApplication app(argc, argv);
    InstallTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "install_test.moc"
