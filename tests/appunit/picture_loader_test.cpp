// What a read on the loader's worker hands to the windows: pixels for what
// has a fixed size, the graphic itself for what draws at any size.
#include "app/PictureLoader.h"
#include "formats/Bitmap.h"
#include "formats/Metafile.h"
#include "tests/support/IconFile.h"
#include "tests/support/MetafileFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::test;

TEST(ReadPicture, KeepsAMetafileToDrawAndDecodesTheRest)
{
    TempDir dir;
    WmfWriter wmf;
    wmf.Rectangle(10, 10, 30, 30);
    WriteFile(dir.File("m.wmf"), wmf.Placeable(0, 0, 40, 40, 96));
    WriteFile(dir.File("i.ico"), IconFile({{32, BitmapEntry(32, 200, true)}}));
    struct Case {
        const char* name;
        const GraphicClass& kept;
        int width;
    } cases[] = {{"m.wmf", TMetafile::StaticClass(), 40}, {"i.ico", Bitmap::StaticClass(), 32}};
    for (const Case& c : cases) {
        LoadedPicture loaded = ReadPicture({QString::fromStdString(dir.File(c.name)), {}, nullptr}, 1);
        ASSERT_FALSE(loaded.Failed()) << c.name << ": " << loaded.error.toStdString();
        EXPECT_TRUE(loaded.picture->GetGraphic()->Is(c.kept)) << c.name;
        EXPECT_EQ(loaded.fullSize.width(), c.width) << c.name;
    }
}
