#include <gtest/gtest.h>

#include "skin/CSkinFile.h"
#include "skin/SkinImagePlan.h"
#include "skin/SkinPaths.h"

namespace tessaron::skin {
namespace {

using From = ImageSource::From;

void ExpectBuiltin(const ImageSource& image, int32_t number)
{
    EXPECT_EQ(image.from, From::Builtin);
    EXPECT_EQ(image.number, number);
}

void ExpectFile(const ImageSource& image, const std::string& path)
{
    EXPECT_EQ(image.from, From::File);
    EXPECT_EQ(image.path, path);
}

TEST(SkinImagePlan, DefaultsUseTheBuiltInImages)
{
    const ImagePlans plans = PlanImages(BitmapDefinitionDefaults(), "");
    ExpectBuiltin(plans[0].images[0], 2350);  // BMMute off and on
    ExpectBuiltin(plans[0].images[1], 2351);
    EXPECT_EQ(plans[0].transparent, 0);
    ExpectBuiltin(plans[2].images[1], 2355);  // BMLoop
    EXPECT_EQ(plans[3].sharesWith, 2);        // BMHold and BMSync take BMLoop's images
    EXPECT_EQ(plans[4].sharesWith, 2);
    EXPECT_EQ(plans[9].images[0].from, From::Nothing);  // BMKeyboard has none
    ExpectBuiltin(plans[10].images[0], 26020);          // BMPlay1: one image only
    EXPECT_EQ(plans[10].images[1].from, From::Nothing);
    ExpectBuiltin(plans[8].images[1], 221);  // BMPan
    EXPECT_EQ(plans[15].images[0].from, From::Nothing);  // BMVol without files
    ExpectBuiltin(plans[17].images[0], 26020);           // BMSequence looks like BMPlay1

    // Every built-in image a definition can ask for exists at a size.
    for (const ImagePlan& plan : plans) {
        for (const ImageSource& image : plan.images) {
            if (image.from == From::Builtin) {
                EXPECT_GT(BuiltinImageSize(image.number).width, 0) << image.number;
            }
        }
    }
    EXPECT_EQ(BuiltinImageSize(2355), (ImageSize{23, 21}));
    EXPECT_EQ(BuiltinImageSize(2354), (ImageSize{22, 21}));
    EXPECT_EQ(BuiltinImageSize(2360), (ImageSize{24, 13}));
    EXPECT_EQ(BuiltinImageSize(220), (ImageSize{6, 12}));
    EXPECT_EQ(BuiltinImageSize(2364), (ImageSize{30, 30}));
    EXPECT_EQ(BuiltinImageSize(999), (ImageSize{}));
}

TEST(SkinImagePlan, NamedFiles)
{
    CSkinFile skin;
    ASSERT_TRUE(skin.LoadText("<Tessaron Config>\n%BITMAPDEF\n"
                              ":BMDirectory \"img\"\n"
                              ":BMMute \"off.bmp\"\n"
                              ":BMSolo \"\" \"solo-on.bmp\"\n"
                              ":BMHold \"hold.bmp\"\n"
                              ":BMKeyboard \"keys.png\"\n"
                              ":BMVol \"t.png\" \"\" \"c.png\" 5\n"
                              ":BMPlay1 \"p.png\" \"\" \"p3.png\"\n",
                              "/s/x.ini"));
    skin.LoadBitmapDefinitions();
    const ImagePlans plans = PlanImages(skin.BitmapDefinitions(), skin.BitmapFolder());
    // An off file without an on file: one image, no built-in on image mixed in.
    ExpectFile(plans[0].images[0], "/s/img/off.bmp");
    EXPECT_EQ(plans[0].images[1].from, From::Nothing);
    EXPECT_EQ(plans[0].transparent, kNoColour);
    // No off file: the built-in off image and the named on file.
    ExpectBuiltin(plans[1].images[0], 2352);
    ExpectFile(plans[1].images[1], "/s/img/solo-on.bmp");
    // A sharing definition with a file of its own loads it, light grey mapped.
    ExpectFile(plans[3].images[0], "/s/img/hold.bmp");
    EXPECT_EQ(plans[3].sharesWith, -1);
    EXPECT_TRUE(plans[3].buttonFace);
    ExpectFile(plans[9].images[0], "/s/img/keys.png");
    EXPECT_TRUE(plans[15].threeImages);
    ExpectFile(plans[15].images[0], "/s/img/t.png");
    EXPECT_EQ(plans[15].images[1].from, From::Nothing);
    ExpectFile(plans[15].images[2], "/s/img/c.png");
    EXPECT_EQ(plans[15].transparent, 5);
    // A third file makes three images of any kind.
    EXPECT_TRUE(plans[10].threeImages);
    ExpectFile(plans[10].images[2], "/s/img/p3.png");
}

TEST(SkinPaths, FoldersAcceptBothSeparators)
{
    EXPECT_EQ(SkinFolder("/usr/share/tessaron/skins/rqconfig.ini"), "/usr/share/tessaron/skins/");
    EXPECT_EQ(SkinFolder("C:\\Tessaron\\rqconfig.ini"), "C:/Tessaron/");
    EXPECT_EQ(SkinFolder("mixed\\dir/skin.ini"), "mixed/dir/");
    EXPECT_EQ(SkinFolder("rqconfig.ini"), "");
    EXPECT_EQ(BitmapFolder("/a/", "bm\\x"), "/a/bm/x");
    EXPECT_EQ(JoinPath("/a/bm/x", "b.png"), "/a/bm/x/b.png");
    EXPECT_EQ(JoinPath("/a/", "sub\\b.png"), "/a/sub/b.png");
    EXPECT_EQ(JoinPath("", "b.png"), "b.png");
    EXPECT_EQ(SkinTitle("/x/y/ember.ini"), "ember");
    EXPECT_EQ(SkinTitle("C:\\x\\Dark.Blue.ini"), "Dark.Blue");
    EXPECT_EQ(SkinTitle(".ini"), ".ini");
}

}  // namespace
}  // namespace tessaron::skin
