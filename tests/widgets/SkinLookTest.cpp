#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include "app/BuiltinBitmaps.h"
#include "app/CSkin.h"
#include "app/SkinBitmaps.h"
#include "app/SkinFonts.h"
#include "skin/SkinDefaults.h"

using namespace tessaron;

namespace {

QString ShippedSkin(const char* name) { return QStringLiteral(TESSARON_SOURCE_DIR "/data/skins/") + name; }

int Colours(const QImage& image)
{
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seen.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(seen.size());
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

}  // namespace

class SkinLookTest : public QObject {
    Q_OBJECT
private slots:
    void builtinImagesAreDrawnAtTheirSizes()
    {
        const BuiltinBitmaps builtin;
        for (const int32_t number : skin::BuiltinImageNumbers()) {
            const QImage& image = builtin.Image(number);
            const skin::ImageSize size = skin::BuiltinImageSize(number);
            QCOMPARE(image.size(), QSize(size.width, size.height));
            QVERIFY2(Colours(image) >= 2, qPrintable(QString::number(number)));
        }
        QVERIFY(builtin.Image(2361) != builtin.Image(2360));  // on differs from off
        QVERIFY(builtin.Image(2351) != builtin.Image(2350));
        QVERIFY(builtin.Image(26020) != builtin.Image(26021));
        QVERIFY(builtin.Image(999).isNull());
        // Mute and solo stand on black, which their definitions make transparent.
        QCOMPARE(builtin.Image(2350).pixelColor(0, 0), QColor(Qt::black));
    }

    void defaultDefinitionsLoadTheBuiltInImages()
    {
        CSkinFile file;
        file.LoadBitmapDefinitions();
        SkinBitmaps bitmaps;
        bitmaps.Load(file, QColor(10, 20, 30));
        QCOMPARE(bitmaps.At(0).size, QSize(9, 10));
        QCOMPARE(bitmaps.Image(0, 0).pixelColor(0, 0).alpha(), 0);  // black made transparent
        QVERIFY(Colours(bitmaps.Image(0, 1)) >= 2);
        QCOMPARE(bitmaps.At(2).size, QSize(22, 21));
        QCOMPARE(bitmaps.Image(2, 1).size(), QSize(23, 21));
        // Hold and sync take over the loop's images.
        QCOMPARE(bitmaps.Image(3, 0), bitmaps.Image(2, 0));
        QCOMPARE(bitmaps.Image(4, 1), bitmaps.Image(2, 1));
        QVERIFY(bitmaps.Image(9, 0).isNull());   // BMKeyboard
        QVERIFY(bitmaps.Image(15, 0).isNull());  // BMVol
        QVERIFY(bitmaps.Image(10, 1).isNull());  // BMPlay1 has one image
        QCOMPARE(bitmaps.Image(17, 0), bitmaps.Image(10, 0));
        // The sizes found go back into the definitions.
        QCOMPARE(file.BitmapDefinitions()[5].width, 24);
        QCOMPARE(file.BitmapDefinitions()[5].height, 13);
        QCOMPARE(file.BitmapDefinitions()[3].width, 22);
    }

    void shippedSkinLoadsItsImageFiles()
    {
        CSkin skin;
        QVERIFY(skin.Load(ShippedSkin("rqconfig.ini"), QColor(Qt::gray)));
        const SkinBitmaps& bitmaps = skin.Bitmaps();
        QCOMPARE(bitmaps.Image(9, 0).size(), QSize(64, 32));  // BMKeyboard
        QCOMPARE(bitmaps.At(15).size, QSize(10, 44));         // BMVol track, thumbs
        QCOMPARE(bitmaps.At(15).thirdSize, QSize(10, 6));
        QCOMPARE(bitmaps.Image(15, 1).size(), QSize(10, 6));
        // Magenta shows through the track.
        QCOMPARE(bitmaps.Image(15, 0).pixelColor(0, 0).alpha(), 0);
        QCOMPARE(bitmaps.Image(15, 0).pixelColor(5, 10).alpha(), 255);
        QCOMPARE(skin.File().BitmapDefinitions()[16].thirdHeight, 8);
    }

    void filesGreyAndMissingImages()
    {
        QTemporaryDir dir;
        QImage grey(4, 3, QImage::Format_RGB32);
        grey.fill(QColor(192, 192, 192));
        grey.setPixelColor(0, 0, QColor(255, 0, 0));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("img")));
        QVERIFY(grey.save(dir.filePath(QStringLiteral("img/hold.png"))));
        QVERIFY(WriteText(dir.filePath(QStringLiteral("s.ini")),
                          "<Tessaron Config>\n%BITMAPDEF\n:BMDirectory \"img\\\"\n"
                          ":BMHold \"hold.png\" \"\" 255\n"
                          ":BMMute \"missing.bmp\" \"also-missing.bmp\"\n"
                          ":BMKeyboard \"not-an-image.png\"\n"));
        QVERIFY(WriteText(dir.filePath(QStringLiteral("img/not-an-image.png")), "plain text"));
        CSkin skin;
        QVERIFY(skin.Load(dir.filePath(QStringLiteral("s.ini")), QColor(1, 2, 3)));
        const QImage& hold = skin.Bitmaps().Image(3, 0);
        QCOMPARE(hold.size(), QSize(4, 3));
        QCOMPARE(hold.pixelColor(1, 1), QColor(1, 2, 3));     // light grey became the button colour
        QCOMPARE(hold.pixelColor(0, 0).alpha(), 0);          // red (255) is the transparent colour
        QVERIFY(skin.Bitmaps().Image(0, 0).isNull());        // a file that does not load: no image
        QVERIFY(skin.Bitmaps().Image(0, 1).isNull());
        QVERIFY(skin.Bitmaps().Image(9, 0).isNull());
        QCOMPARE(skin.File().BitmapDefinitions()[0].width, 0);
    }

    void fontsFromTheRecords()
    {
        skin::SkinSection main = skin::MainDefaults();
        SkinFonts fonts;
        fonts.Create(main, 96);
        QCOMPARE(fonts.Count(), 2);
        QVERIFY(fonts.Has(0) && fonts.Has(1) && !fonts.Has(2));
        QCOMPARE(fonts.Font(0).pixelSize(), 10);  // 8 points at 96 dots per inch
        QCOMPARE(fonts.Font(1).pixelSize(), 18);
        // A face the system lacks falls back to the desktop's font.
        const QString general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QCOMPARE(fonts.Font(0).family(), general);

        const QStringList families = QFontDatabase::families();
        QVERIFY(!families.isEmpty());
        main.fonts[2] = {families.first().toStdString(), 12, skin::kFontBold | skin::kFontItalic | skin::kFontVertical};
        main.fontCount = 3;
        fonts.Create(main, 120);
        QCOMPARE(fonts.Font(2).family(), families.first());
        QCOMPARE(fonts.Font(2).pixelSize(), 20);
        QVERIFY(fonts.Font(2).bold() && fonts.Font(2).italic());
        QVERIFY(fonts.IsVertical(2) && !fonts.IsVertical(1));
        main.fontCount = 1;
        fonts.Create(main, 96);
        QVERIFY(fonts.Has(0) && !fonts.Has(1));
    }

    void mainValuesAndColoursOfASkin()
    {
        CSkin skin;
        QVERIFY(skin.Load(ShippedSkin("ember.ini"), QColor(Qt::gray)));
        const skin::SkinMainValues look = skin.ApplyMain(96);
        QCOMPARE(look.octaves, 3);
        QCOMPARE(look.pianoHeight, 260);
        QCOMPARE(CSkin::Colour(look.Colours(skin::SkinView::Piano).text), QColor(0xFF, 0xB8, 0x30));
        QCOMPARE(CSkin::Colour(skin::kNoColour, Qt::red), QColor(Qt::red));
        QCOMPARE(skin.Fonts().Count(), 2);
        QVERIFY(skin.Fonts().Font(1).bold() && skin.Fonts().Font(1).italic());

        QVERIFY(!skin.Load(QStringLiteral("/nonexistent/skin.ini"), QColor(Qt::gray)));
        const skin::SkinMainValues none = skin.ApplyMain(96);
        QCOMPARE(none.pianoHeight, 336);
        QCOMPARE(skin.Fonts().Count(), 2);
        QCOMPARE(skin.Bitmaps().At(0).size, QSize(9, 10));
    }
};

QTEST_MAIN(SkinLookTest)
#include "SkinLookTest.moc"
