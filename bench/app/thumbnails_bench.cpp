// The thumbnails view on a folder of 12-megapixel JPEGs: from switching the
// file list to thumbnails until every tile on the screen shows its picture,
// with an empty cache (each picture read reduced and the cache written) and
// with a full one (each thumbnail read back), the longest stall of the event
// loop meanwhile (stall_ms, and stall_cpu_ms: the interface thread's own
// processor time in that longest gap, which other programs do not lengthen)
// and, with the empty cache, the time until all are made.
// The folder holds PELMORA_THUMBNAIL_FILES names (200 unless given; 2000 for
// the full figure) of one generated photo-like JPEG, hard links where the
// file system allows. PELMORA_STALL_SAMPLES=1 prints what the interface
// thread waited on in the longest stalls (not for the figures: it adds a thread).
#include "BenchWindows.h"

#include "app/ThumbnailView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSplitter>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

using namespace pelmora;

namespace {

int FolderSize()
{
    bool ok = false;
    int files = qEnvironmentVariableIntValue("PELMORA_THUMBNAIL_FILES", &ok);
    return ok && files > 0 ? files : 200;
}

// Gradients, shapes and grain: a JPEG that decodes about as a photo does.
QImage PhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(40, 90, 160));
    sky.setColorAt(1, QColor(230, 180, 90));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate() | 0xff000000));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(
            QPoint(random.bounded(width), random.bounded(height)), random.bounded(20, 300), random.bounded(20, 300));
    }
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] ^= random.generate() & 0x070707;
    }
    return image;
}

struct Folder {
    Folder()
    {
        QString first = dir.filePath("photo 0000.jpg");
        PhotoLike(4000, 3000).save(first, "jpg", 90);
        for (int i = 1; i < FolderSize(); ++i) {
            QString name = dir.filePath(QString("photo %1.jpg").arg(i, 4, 10, QChar('0')));
            if (::link(QFile::encodeName(first), QFile::encodeName(name)) != 0)
                QFile::copy(first, name);
        }
    }
    QTemporaryDir dir;
};

Folder& Photos()
{
    static Folder folder;
    return folder;
}

bool ScreenShown(const ThumbnailView& view)
{
    std::vector<int> rows = view.VisibleRows();
    return !rows.empty()
        && std::all_of(rows.begin(), rows.end(), [&](int row) { return !view.Thumbnail(row).isNull(); });
}

// A window as large as the offscreen screen, the file list over most of it.
void ListLarge(TForm1& browser)
{
    browser.resize(800, 600);
    Inside(browser).Splitter1->setSizes({440, 160});
    Inside(browser).Splitter2->setSizes({1, 799});
    QCoreApplication::processEvents();
}

void BM_FirstScreenOfThumbnails(benchmark::State& state)
{
    const bool fullCache = state.range(0);
    Folder& folder = Photos();
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    double allMs = 0;
    double stall = 0;
    double stallCpu = 0;
    int tiles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(cache.path() + "/thumbnails").removeRecursively();
        auto open = std::make_unique<bench::OpenWindows>(folder.dir.path());
        TForm1& browser = open->Browser();
        ListLarge(browser);
        ThumbnailView& view = *Inside(browser).ListView_thumbnails;
        if (fullCache) {
            for (int row = 0; row < Inside(browser).ListView_files->Count(); ++row)
                FindOrMakeThumbnail(view.Maker().Cache(), browser.PathForEntry(row), view.WantedSize());
        }
        state.ResumeTiming();
        QElapsedTimer all;
        all.start();
        bench::StallWatch stalls;
        Inside(browser).Pop_file_thumbnails->trigger();
        while (!ScreenShown(view))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        view.viewport()->repaint();
        state.PauseTiming();
        tiles = int(view.VisibleRows().size());
        if (!fullCache) {
            // Waits for events (the stall watch's timer wakes it every
            // millisecond): the form with a time limit drops the waiting and
            // would keep the interface thread spinning against the workers.
            while (!view.Maker().Idle())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            allMs = all.nsecsElapsed() / 1e6;
        }
        stall = std::max(stall, stalls.LongestMs());
        stallCpu = std::max(stallCpu, stalls.LongestCpuMs());
        open.reset();
        state.ResumeTiming();
    }
    state.counters["files"] = FolderSize();
    state.counters["tiles"] = tiles;
    state.counters["stall_ms"] = stall;
    state.counters["stall_cpu_ms"] = stallCpu;
    if (!fullCache)
        state.counters["all_ms"] = allMs;
    qunsetenv("XDG_CACHE_HOME");
}
BENCHMARK(BM_FirstScreenOfThumbnails)
    ->ArgName("full_cache")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One thumbnail of a 12-megapixel JPEG made and written on this thread: the
// work of one tile, which the processor time tells on a busy machine too.
void BM_MakeOneThumbnail(benchmark::State& state)
{
    Folder& folder = Photos();
    QTemporaryDir cache;
    ThumbnailCache thumbnails(cache.path() + "/thumbnails");
    const QString photo = folder.dir.filePath("photo 0000.jpg");
    for (auto _ : state) {
        QFile::remove(thumbnails.ThumbnailPath(photo, ThumbnailSize::Normal));
        benchmark::DoNotOptimize(FindOrMakeThumbnail(thumbnails, photo, ThumbnailSize::Normal));
    }
}
BENCHMARK(BM_MakeOneThumbnail)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunWindowBenchmarks(argc, argv);
}
