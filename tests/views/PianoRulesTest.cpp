// The piano view's rules that need no window: where keys and controls stand, which key a
// point hits, which key a medium sits on, which media key a key event plays, the meter scale.
#include "ViewTest.h"

#include "media/CSamples.h"
#include "skin/CSkinFile.h"
#include "skin/SkinDefaults.h"
#include "song/CChordwayDoc.h"
#include "views/LevelMeter.h"
#include "views/MediaKeyCode.h"
#include "views/PianoControls.h"
#include "views/PianoGeometry.h"
#include "views/PianoKeys.h"

namespace tessaron::test {

namespace {

// The PIANO section of a skin text.
skin::SkinSection PianoOf(const std::string& section)
{
    CSkinFile skin;
    skin.LoadText("<Tessaron Config>\n%PIANO\n" + section, "/tmp/skin.ini");
    skin.ParsePiano();
    return skin.Piano();
}

}  // namespace

class PianoRulesTest : public QObject {
    Q_OBJECT

private slots:
    // Every kind of key edge of the default keyboard (white 68 x 190, black 66 x 95, so a band
    // of 33 pixels): on C and F a black key only to the right, beyond the band; on D, G and A
    // the band's edge itself belongs to the key on the right; on E and B only to the left.
    void hitTestOnEveryKindOfKeyEdge()
    {
        const PianoGeometry g(2);
        QCOMPARE(g.KeyCount(), 24);
        const int32_t left = 40, top = 52, upper = top + 10, lower = top + 95;
        struct Row {
            int white;      // white key of the first octave: C D E F G A B
            int before;     // r = 32
            int atBand;     // r = 33
            int pastBand;   // r = 34
        };
        const Row rows[] = {
            {0, 0, 0, 1}, {1, 1, 3, 3}, {2, 3, 4, 4}, {3, 5, 5, 6}, {4, 6, 8, 8}, {5, 8, 10, 10}, {6, 10, 11, 11},
        };
        for (int octave = 0; octave < 2; ++octave) {
            for (const Row& row : rows) {
                const int32_t x0 = left + (octave * 7 + row.white) * 68;
                const int base = octave * 12;
                QCOMPARE(g.HitTest(x0 + 32, upper), base + row.before);
                QCOMPARE(g.HitTest(x0 + 33, upper), base + row.atBand);
                QCOMPARE(g.HitTest(x0 + 34, upper), base + row.pastBand);
                // From the black keys' height down only the white key answers.
                const int white = PianoGeometry::KeyOfWhite(octave * 7 + row.white);
                QCOMPARE(g.HitTest(x0 + 33, lower), white);
                QCOMPARE(g.HitTest(x0 + 33, lower - 1), base + row.atBand);
                QCOMPARE(g.HitTest(x0, top + 189), white);
                QCOMPARE(g.HitTest(x0 + 67, lower), white);
            }
        }
        // Outside the key area: no key.
        QCOMPARE(g.HitTest(left - 1, lower), -1);
        QCOMPARE(g.HitTest(left, top - 1), -1);
        QCOMPARE(g.HitTest(left + 14 * 68, lower), -1);
        QCOMPARE(g.HitTest(left + 14 * 68 - 1, lower), 23);
        QCOMPARE(g.HitTest(left, top + 190), -1);
    }

    // What is drawn is what is hit: every point of the key area lies in the drawn rectangle of
    // exactly the key the hit test gives, on the default keyboard and on a skin's narrow keys.
    void drawnKeysMatchTheHitTest()
    {
        const PianoGeometry geometries[] = {
            PianoGeometry(2),
            PianoGeometry::FromSkin(PianoOf(":NOTE 64 174\n:WHITE 0 0 36 112\n:BLACK 0 0 22 68\n"), 3),
            PianoGeometry::FromSkin(PianoOf(":WHITE 0 0 25 80\n:BLACK 0 0 15 50\n"), 7),
        };
        for (const PianoGeometry& g : geometries) {
            const PianoGeometry::Rect area = g.KeyArea();
            for (int32_t y : {area.y, area.y + g.BlackHeight() - 1, area.y + g.BlackHeight(), area.y + area.h - 1}) {
                for (int32_t x = area.x; x < area.x + area.w; ++x) {
                    const int key = g.HitTest(x, y);
                    QVERIFY2(key >= 0, qPrintable(QStringLiteral("x %1 y %2").arg(x).arg(y)));
                    const bool inBlack = g.KeyRect(key).Contains(x, y) && PianoGeometry::IsBlack(key);
                    const bool inWhiteOnly = !PianoGeometry::IsBlack(key) && g.KeyRect(key).Contains(x, y);
                    QVERIFY2(inBlack || inWhiteOnly, qPrintable(QStringLiteral("x %1 y %2 key %3").arg(x).arg(y).arg(key)));
                    for (int other = 0; other < g.KeyCount(); ++other) {
                        if (other != key && PianoGeometry::IsBlack(other)) {
                            QVERIFY(!g.KeyRect(other).Contains(x, y));
                        }
                    }
                }
            }
        }
    }

    void dropPointsAreBroughtIntoTheKeys()
    {
        const PianoGeometry g(2);
        QCOMPARE(g.DropKey(40 + 68 + 50, 0), g.HitTest(40 + 68 + 50, 52));  // above: the keys' top row
        QCOMPARE(g.DropKey(40 + 68 + 50, 0), 3);
        QCOMPARE(g.DropKey(40 + 68 + 50, 5000), 2);  // below: the white key
        QCOMPARE(g.DropKey(10, 100), 0);             // left of the keys: key 0
        QCOMPARE(g.DropKey(40 + 14 * 68 + 5, 100), 0);
    }

    // One control over each chromatic key: half a white key from key to key, a whole one after
    // E and B, so a centred control stands over the middle of its white key.
    void controlPlacementAcrossEAndB()
    {
        const PianoGeometry g = PianoGeometry::FromSkin(PianoOf(":NOTE 64 174\n:WHITE 0 0 36 112\n"), 2);
        skin::SkinField centred;
        centred.x = -1;
        centred.y = 36;
        centred.w = 16;
        centred.h = 9;
        const int32_t first = 64 + (36 - 16) / 2;
        const int32_t expected[14] = {0, 18, 36, 54, 72, 108, 126, 144, 162, 180, 198, 216, 252, 270};
        for (int key = 0; key < 14; ++key) {
            const PianoGeometry::Rect rect = g.ControlRect(centred, key);
            QCOMPARE(rect.x, first + expected[key]);
            QCOMPARE(rect.y, 36);
            QCOMPARE(rect.w, 16);
            QCOMPARE(rect.h, 9);
        }
        for (int key = 0; key < g.KeyCount(); ++key) {
            if (!PianoGeometry::IsBlack(key)) {
                const PianoGeometry::Rect control = g.ControlRect(centred, key);
                const PianoGeometry::Rect white = g.KeyRect(key);
                QCOMPARE(control.x + control.w / 2, white.x + white.w / 2);
            }
        }
        // A given x is key 0's place; w and h of -1 take the bitmap's size.
        skin::SkinField fixed;
        fixed.x = 10;
        fixed.y = 4;
        fixed.w = -1;
        fixed.h = -1;
        const PianoGeometry::Rect b = g.ControlRect(fixed, 11, 22, 21);
        QCOMPARE(b.x, 10 + 4 * 18 + 36 + 6 * 18);
        QCOMPARE(b.w, 22);
        QCOMPARE(b.h, 21);
        QCOMPARE(g.ControlRect(fixed, 12, 22, 21).x, b.x + 36);
    }

    // A skin never gives keys of no size: a WHITE line of zeros (or no skin at all, where every
    // field reads as found with zero sizes) keeps the default keys.
    void skinGeometryKeepsUsableKeys()
    {
        const PianoGeometry zero = PianoGeometry::FromSkin(PianoOf(":WHITE 0 0 0 0\n:NOTE 5 6\n"), 2);
        QCOMPARE(zero.WhiteWidth(), 68);
        QCOMPARE(zero.WhiteHeight(), 190);
        QCOMPARE(zero.BlackWidth(), 66);
        QCOMPARE(zero.BlackHeight(), 95);
        QCOMPARE(zero.Left(), 5);
        QCOMPARE(zero.Top(), 6);
        QCOMPARE(zero.HitTest(5, 6 + 100), 0);
        const PianoGeometry none = PianoGeometry::FromSkin(skin::PianoDefaults(), 9);
        QCOMPARE(none.Octaves(), 2);
        QCOMPARE(none.WhiteWidth(), 68);
        QCOMPARE(none.HitTest(none.Left(), none.Top() + 100), 0);
        const PianoGeometry narrow = PianoGeometry::FromSkin(PianoOf(":WHITE 0 0 30 100\n"), 1);
        QCOMPARE(narrow.BlackWidth(), 28);
        QCOMPARE(narrow.BlackHeight(), 50);
        QCOMPARE(narrow.KeyCount(), 12);
    }

    // A medium sits on key (MIDI key - 12) modulo the number of keys; below 12 on key 12.
    void mediaSitOnTheKeyTheirMidiKeyMapsTo()
    {
        CChordwayDoc doc;
        for (int32_t midiKey : {40, 12, 35, 36, 5, 52}) {
            auto medium = std::make_unique<CSamples>("/none.wav", "m", 44100, 1000, "", "", 120.0f, 0, 0, 0);
            medium->midiNote = midiKey;
            doc.InsertMedium(doc.MediaCount(), std::move(medium));
        }
        PianoKeys keys(24);
        keys.Rebuild(doc);
        QCOMPARE(keys.MediaOf(4), (std::vector<int>{0}));       // 40 on two octaves: key 4
        QCOMPARE(keys.MediaOf(0), (std::vector<int>{1, 3}));    // 12 and 36
        QCOMPARE(keys.MediaOf(23), (std::vector<int>{2}));
        QCOMPARE(keys.MediaOf(12), (std::vector<int>{4}));      // below 12
        QCOMPARE(keys.MediaOf(16), (std::vector<int>{5}));
        QCOMPARE(keys.StateOf(4), PianoKeys::State::Present);
        QCOMPARE(keys.StateOf(5), PianoKeys::State::Empty);
        QCOMPARE(keys.KeyOfMedium(5), 16);
        QVERIFY(keys.MediaOf(24).empty());
        QVERIFY(keys.MediaOf(-1).empty());
        keys.Resize(36);
        keys.Rebuild(doc);
        QCOMPARE(keys.MediaOf(28), (std::vector<int>{0}));
    }

    void keyEventsGiveTheMediaKeys()
    {
        QCOMPARE(MediaKeyCode(Qt::Key_Q, QStringLiteral("q")), int32_t('Q'));
        QCOMPARE(MediaKeyCode(Qt::Key_Q, QStringLiteral("Q")), int32_t('Q'));
        QCOMPARE(MediaKeyCode(Qt::Key_7, QStringLiteral("7")), int32_t('7'));  // numeric pad too
        QCOMPARE(MediaKeyCode(Qt::Key_F2, QString()), 0x71);
        QCOMPARE(MediaKeyCode(Qt::Key_F12, QString()), 0x7B);
        QCOMPARE(MediaKeyCode(Qt::Key_Comma, QStringLiteral(",")), int32_t(','));
        QCOMPARE(MediaKeyCode(Qt::Key_unknown, QStringLiteral("é")), int32_t(u'é'));  // by its character
        QCOMPARE(MediaKeyCode(Qt::Key_Semicolon, QString()), int32_t(';'));
        QCOMPARE(MediaKeyCode(Qt::Key_Up, QString()), 0);
        QCOMPARE(MediaKeyCode(Qt::Key_Return, QStringLiteral("\r")), 0);
        QCOMPARE(MediaKeyCode(Qt::Key_Shift, QString()), 0);
    }

    // The drawn controls: a vertical slider has its maximum at the top and gives back the
    // value its thumb shows; values and states stay in range and report real changes only;
    // where two controls overlap, the one drawn last is hit.
    void drawnControlsMapPointsAndValues()
    {
        skin::SkinSection fields = skin::PianoDefaults();
        const PianoGeometry geometry(1);
        std::array<PianoControls::Look, PianoControls::kFields> looks;
        for (auto& look : looks) {
            look.size = QSize(10, 10);
        }
        looks[0].kind = PianoControls::Kind::Meter;
        looks[4].kind = PianoControls::Kind::Slider;  // VOL
        looks[4].minimum = -350;
        looks[4].maximum = 0;
        for (int field = 1; field <= 9; ++field) {
            skin::SkinField& f = fields.fields[static_cast<size_t>(field)];
            f.x = -1;
            f.y = field == 3 ? 20 : 10 * field;  // SOLO over MUTE's row
            f.w = field == 5 ? 10 : -1;
            f.h = field == 5 ? 60 : -1;
        }
        PianoControls controls;
        controls.Build(geometry, fields, looks);
        QCOMPARE(controls.Count(), 12 * 9);
        const QRect volume = controls.Rect(5, 2);
        QCOMPARE(volume.size(), QSize(10, 60));
        QCOMPARE(controls.ValueAt(5, 2, QPoint(volume.center().x(), volume.top())), 0);
        QCOMPARE(controls.ValueAt(5, 2, QPoint(volume.center().x(), volume.bottom())), -350);
        QCOMPARE(controls.ValueAt(5, 2, QPoint(volume.center().x(), volume.bottom() + 50)), -350);
        for (int value : {-350, -200, -1, 0}) {
            QVERIFY(controls.SetValue(5, 2, value) || value == 0);
            const QRect thumb = controls.ThumbRect(5, 2);
            QVERIFY(volume.contains(thumb));
            const int back = controls.ValueAt(5, 2, thumb.topLeft(), 0);
            QVERIFY2(std::abs(back - value) <= 350 / (volume.height() - thumb.height()) + 1,
                     qPrintable(QStringLiteral("%1 -> %2").arg(value).arg(back)));
        }
        QVERIFY(controls.SetValue(5, 2, -100));
        QVERIFY(controls.SetValue(5, 2, 99));
        QCOMPARE(controls.Value(5, 2), 0);  // limited to the range
        QVERIFY(!controls.SetValue(5, 2, 5));
        QVERIFY(controls.SetChecked(7, 11, true));
        QVERIFY(!controls.SetChecked(7, 11, true));
        QVERIFY(controls.Checked(7, 11));
        QVERIFY(!controls.Checked(7, 10));
        QVERIFY(!controls.SetChecked(7, 12, true));  // no key 12 on one octave
        QCOMPARE(controls.At(controls.Rect(2, 4).center()), 304);  // SOLO drawn over MUTE
        QCOMPARE(controls.At(controls.Rect(1, 4).center()), -1);   // a meter takes no clicks
        QVERIFY(controls.FeedMeter(4, 1.0f));
        QCOMPARE(controls.MeterShown(4), 1.0);
        QVERIFY(controls.Extent().contains(controls.Rect(9, 11)));
        controls.Clear();
        QCOMPARE(controls.At(volume.center()), -1);
        QVERIFY(controls.Rect(5, 2).isEmpty());
    }

    void metersShowDecibels()
    {
        QCOMPARE(LevelMeter::Scale(1.0f), 1.0);
        QCOMPARE(LevelMeter::Scale(0.0f), 0.0);
        QVERIFY(qAbs(LevelMeter::Scale(0.5f) - (1.0 - 6.0206 / 48.0)) < 1e-3);
        QCOMPARE(LevelMeter::Scale(0.001f), 0.0);  // -60 dB is below the scale
        LevelMeter meter;
        QVERIFY(meter.Feed(1.0f));
        QCOMPARE(meter.Shown(), 1.0);
        QVERIFY(!meter.Feed(1.0f));  // nothing to redraw
        QVERIFY(meter.Feed(0.0f));
        QVERIFY(meter.Shown() < 1.0 && meter.Shown() > 0.9);  // falls back, not at once
        for (int i = 0; i < 40; ++i) {
            meter.Feed(0.0f);
        }
        QCOMPARE(meter.Shown(), 0.0);
    }
};

TESSARON_VIEW_TEST(PianoRulesTest);

}  // namespace tessaron::test

#include "PianoRulesTest.moc"
