// The "Volume" window over a card's mixer given as data, and without a mixer.
#include "ViewTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "audioout/CSystemMixer.h"
#include "views/CVolumeWnd.h"

namespace tessaron::test {

namespace {

class CardElements : public IMixerElements {
public:
    struct Part {
        long min = 0, max = 65535, value = 0;
    };
    std::map<std::pair<std::string, MixerAspect>, Part>* parts;
    std::vector<std::string> sources;

    explicit CardElements(std::map<std::pair<std::string, MixerAspect>, Part>* p) : parts(p) {}
    bool Range(const std::string& e, MixerAspect a, long& min, long& max) override
    {
        auto it = parts->find({e, a});
        return it != parts->end() && (min = it->second.min, max = it->second.max, true);
    }
    bool Get(const std::string& e, MixerAspect a, long& value) override
    {
        auto it = parts->find({e, a});
        return it != parts->end() && (value = it->second.value, true);
    }
    bool Set(const std::string& e, MixerAspect a, long value) override
    {
        auto it = parts->find({e, a});
        return it != parts->end() && (it->second.value = value, true);
    }
    bool SourceItems(std::vector<std::string>& items) override
    {
        items = sources;
        return !sources.empty();
    }
    bool SelectSource(unsigned index) override { return index < sources.size(); }
};

}  // namespace

class VolumeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void withoutAMixerTheWindowSaysSo()
    {
        CVolumeWnd none(nullptr);
        QVERIFY(!none.ShowsMixer());
        QCOMPARE(none.findChild<QLabel*>(QStringLiteral("NoMixer"))->text(), QString::fromLatin1(CVolumeWnd::kNoMixerText));

        CSystemMixer empty;  // a mixer with no control at all
        CVolumeWnd nothing(&empty);
        QVERIFY(!nothing.ShowsMixer());
        QVERIFY(nothing.findChild<QLabel*>(QStringLiteral("NoMixer")) != nullptr);
    }

    void presentRecordsBecomeSlidersAndBoxesInPercent()
    {
        std::map<std::pair<std::string, MixerAspect>, CardElements::Part> parts;
        parts[{"Master", MixerAspect::PlaybackVolume}] = {0, 65535, 65535};
        parts[{"Bass", MixerAspect::PlaybackVolume}] = {0, 65535, 32767};
        parts[{"CD", MixerAspect::PlaybackVolume}] = {0, 100, 50};
        parts[{"CD", MixerAspect::PlaybackSwitch}] = {0, 1, 1};
        auto card = std::make_unique<CardElements>(&parts);
        card->sources = {"Mic", "Line"};
        CSystemMixer mixer;
        QVERIFY(mixer.OpenMixer(std::move(card)));
        CVolumeWnd window(&mixer);
        QVERIFY(window.ShowsMixer());
        QSlider* master = window.Level(MixerRecord::MasterVolume);
        QVERIFY(master);
        QCOMPARE(master->minimum(), -100);
        QCOMPARE(master->maximum(), 0);
        QCOMPARE(master->value(), 0);
        QSlider* bass = window.Level(MixerRecord::Bass);
        QVERIFY(bass);
        QCOMPARE(bass->maximum(), 100);
        QCOMPARE(bass->value(), 0);
        QVERIFY(window.Level(MixerRecord::Treble) == nullptr);  // an absent record is not shown
        QVERIFY(window.Level(MixerRecord::MicrophoneLevel) == nullptr);
        QVERIFY(window.Mute(MixerRecord::MicrophoneMute) == nullptr);

        master->setValue(-50);
        QCOMPARE(mixer.GetLevel(MixerRecord::MasterVolume), -50);
        QCOMPARE(parts[(std::pair<std::string, MixerAspect>{"Master", MixerAspect::PlaybackVolume})].value, 32767L);

        QCheckBox* cdMute = window.Mute(MixerRecord::CdMute);
        QVERIFY(cdMute);
        const long before = mixer.GetMute(MixerRecord::CdMute);
        cdMute->setChecked(!cdMute->isChecked());
        QVERIFY(mixer.GetMute(MixerRecord::CdMute) != before);

        QVERIFY(window.Sources());
        QCOMPARE(window.Sources()->count(), 2);
        QCOMPARE(window.Sources()->itemText(1), QStringLiteral("Line"));
    }
};

TESSARON_VIEW_TEST(VolumeWindowTest);

}  // namespace tessaron::test

#include "VolumeWindowTest.moc"
