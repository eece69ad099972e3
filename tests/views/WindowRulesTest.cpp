// Rules of the window that need no pixels: placement, status texts, tool bar arithmetic, the
// choice of audio outputs, spin acceleration.
#include "ViewTest.h"

#include "app/CAudioOutputs.h"
#include "app/PlacementRules.h"
#include "app/StatusTexts.h"
#include "app/ToolBarRules.h"
#include "audioout/CSoundDevice.h"
#include "framework/CNoticeRecorder.h"
#include "views/SpinAcceleration.h"

namespace tessaron::test {

class WindowRulesTest : public QObject {
    Q_OBJECT

    using Rect = PlacementRules::Rect;
    static CWindowPlacement Saved(int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t resX, int32_t resY,
                                  int32_t style = 0x00CF0000)
    {
        return CWindowPlacement{x, y, cx, cy, resX, resY, style};
    }

private slots:
    void placementFirstRunIsMaximizedUnlessTheSkinFits()
    {
        const CWindowPlacement none;
        const auto plain = PlacementRules::Restore(none, {}, 1280, 800);
        QVERIFY(plain.Maximized());
        QVERIFY(!plain.rect);

        // A first run under a skin that gives a fitting, centred window: that window.
        const auto centred = PlacementRules::Restore(none, {-1, -1, 800, 600}, 1280, 800);
        QVERIFY(!centred.Maximized());
        QVERIFY(centred.rect.has_value());
        QCOMPARE(*centred.rect, (Rect{240, 100, 800, 600}));

        // A skin window that does not fit the screen: maximized, as without a skin window.
        for (const PlacementRules::SkinWindow skin : {PlacementRules::SkinWindow{10, 10, 1400, 600},
                                                      PlacementRules::SkinWindow{10, 10, 100, 600},
                                                      PlacementRules::SkinWindow{1200, 10, 300, 600}}) {
            const auto refused = PlacementRules::Restore(none, skin, 1280, 800);
            QVERIFY(!refused.rect);
            QVERIFY(refused.Maximized());
        }
        // Once something is saved, the skin's window no longer counts.
        const auto saved = PlacementRules::Restore(Saved(40, 30, 900, 640, 1280, 800), {10, 10, 800, 600}, 1280, 800);
        QCOMPARE(*saved.rect, (Rect{40, 30, 900, 640}));
    }

    void placementSavedRectangleOnlyAtTheSameScreen()
    {
        const auto same = PlacementRules::Restore(Saved(40, 30, 900, 640, 1280, 800), {}, 1280, 800);
        QVERIFY(!same.Maximized());
        QCOMPARE(*same.rect, (Rect{40, 30, 900, 640}));
        QVERIFY(!PlacementRules::Restore(Saved(40, 30, 900, 640, 1920, 1080), {}, 1280, 800).rect);
        QVERIFY(!PlacementRules::Restore(Saved(40, 30, 100, 640, 1280, 800), {}, 1280, 800).rect);
        QVERIFY(!PlacementRules::Restore(Saved(40, 30, 900, 100, 1280, 800), {}, 1280, 800).rect);
        QVERIFY(PlacementRules::Restore(Saved(40, 30, 101, 101, 1280, 800), {}, 1280, 800).rect);
        QVERIFY(!PlacementRules::Restore(Saved(-1000, 30, 900, 640, 1280, 800), {}, 1280, 800).rect);
        // Maximized or minimized when closed: the place is left to the window system.
        const auto maximized =
            PlacementRules::Restore(Saved(0, 0, 1280, 800, 1280, 800, 0x00CF0000 | 16777216), {}, 1280, 800);
        QVERIFY(maximized.Maximized());
        QVERIFY(!maximized.rect);
        QVERIFY(!PlacementRules::Restore(Saved(0, 0, 900, 600, 1280, 800, 0x20000000), {}, 1280, 800).rect);
    }

    void placementSavedIsWhatRestoreReads()
    {
        const CWindowPlacement saved = PlacementRules::Save({120, 90, 800, 560}, false, false, 1280, 800);
        QCOMPARE(saved, Saved(120, 90, 800, 560, 1280, 800));
        QCOMPARE(*PlacementRules::Restore(saved, {}, 1280, 800).rect, (Rect{120, 90, 800, 560}));
        QVERIFY(PlacementRules::Save({0, 0, 10, 10}, true, false, 1280, 800).style & CWindowPlacement::kMaximizeBit);
    }

    void statusPaneFormats()
    {
        QCOMPARE(status_text::Position(3, 2, 0), std::string("3.2.0"));
        QCOMPARE(status_text::PositionReset(false), std::string("1.1.0"));
        QCOMPARE(status_text::PositionReset(true), std::string("00:00.0"));
        QCOMPARE(status_text::Time(83456), std::string("01:23.4"));
        QCOMPARE(status_text::Media(2, 5), std::string("Media:2/5"));
        QCOMPARE(status_text::Event(0, 12), std::string("Event:0/12"));
        QCOMPARE(status_text::Memory(2 * 1048576 + 524288, 134217728), std::string("2.5/128 MB"));
        QCOMPARE(status_text::Memory(0, 20971520), std::string("0.0/20 MB"));
        QCOMPARE(status_text::Record(true), std::string("R E C O R D"));
        QCOMPARE(status_text::Record(false), std::string());
        // Message 1025: (beat in bar x 256 + tick, bar), both one-based.
        const auto position = status_text::DecodeBarBeat(3 * 256, 5);
        QCOMPARE(position.bar, 5);
        QCOMPARE(position.beat, 3);
        QCOMPARE(position.tick, 0);
        QCOMPARE(status_text::MoveBarPosition(position, 4), 18);
        QCOMPARE(status_text::MoveBarPosition(status_text::DecodeBarBeat(256, 1), 4), 0);
    }

    void tempoSpinArithmetic()
    {
        QCOMPARE(toolbar_rules::TempoAfterSpin("300", 1), std::string("250.0"));
        QCOMPARE(toolbar_rules::TempoAfterSpin("120.0", 1), std::string("120.1"));
        QCOMPARE(toolbar_rules::TempoAfterSpin("120.0", -25), std::string("117.5"));
        QCOMPARE(toolbar_rules::TempoAfterSpin("tempo", 1), std::string("40.0"));
        QCOMPARE(toolbar_rules::TempoAfterSpin("41", -8191), std::string("40.0"));
        QVERIFY(toolbar_rules::AcceptsCharacter(U'7'));
        QVERIFY(toolbar_rules::AcceptsCharacter(U'.'));
        QVERIFY(toolbar_rules::AcceptsCharacter(U'\b'));
        QVERIFY(!toolbar_rules::AcceptsCharacter(U'a'));
        QVERIFY(!toolbar_rules::AcceptsCharacter(U':'));
        QVERIFY(!toolbar_rules::AcceptsCharacter(U'-'));
    }

    void spinsAccelerateWithHoldingTime()
    {
        QCOMPARE(AcceleratedStep(kOptionsSpinAccel, 0), 1);
        QCOMPARE(AcceleratedStep(kOptionsSpinAccel, 1999), 1);
        QCOMPARE(AcceleratedStep(kOptionsSpinAccel, 2000), 10);
        QCOMPARE(AcceleratedStep(kOptionsSpinAccel, 4500), 40);
        QCOMPARE(AcceleratedStep(kEventSpinAccel, 2500), 10);
        QCOMPARE(AcceleratedStep(kEventSpinAccel, 3000), 100);
        QCOMPARE(AcceleratedStep(kEventSpinAccel, 5000), 5000);
    }

    void audioOutputsTakeAtMost24AndSkipFailures()
    {
        std::vector<CDeviceEntry> list;
        for (int i = 0; i < 25; ++i) {
            list.push_back({"offline#" + std::to_string(i), "Card " + std::to_string(i)});
        }
        std::vector<std::string> tried;
        auto opener = [&tried](const CDeviceEntry& entry) -> std::unique_ptr<CSoundDevice> {
            tried.push_back(entry.name);
            if (entry.name == "Card 1") {
                return nullptr;  // the second device fails
            }
            auto device = std::make_unique<CSoundDevice>(AudioApi::Offline);
            return device->Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) ? std::move(device) : nullptr;
        };
        CNoticeRecorder notices;
        CAudioOutputs outputs;
        QVERIFY(outputs.Open(list, opener, &notices));
        QCOMPARE(tried.size(), size_t(24));
        QCOMPARE(outputs.Count(), size_t(23));
        QVERIFY(outputs.Current() != nullptr);
        QCOMPARE(notices.notices.size(), size_t(1));
        QCOMPARE(notices.notices[0].text, std::string(CAudioOutputs::kCannotOpenText) + " Card 1");

        // None usable: the program cannot start, and says so.
        CNoticeRecorder failures;
        QVERIFY(!outputs.Open({list[1]}, opener, &failures));
        QCOMPARE(outputs.Count(), size_t(0));
        QCOMPARE(failures.notices.size(), size_t(2));
        QCOMPARE(failures.notices[1].text, std::string(CAudioOutputs::kNoOutputText));
        CNoticeRecorder empty;
        QVERIFY(!outputs.Open({}, opener, &empty));
        QCOMPARE(empty.notices.size(), size_t(1));
    }
};

TESSARON_VIEW_TEST(WindowRulesTest);

}  // namespace tessaron::test

#include "WindowRulesTest.moc"
