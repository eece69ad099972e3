#include "support/SongFixtures.h"

#include "media/CEnvelope.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"

namespace tessaron::test {

namespace {

void FillCommonFields(CMedia& m, int seed)
{
    m.name = "medium " + std::to_string(seed);
    m.filePath = "/home/user/loops/medium" + std::to_string(seed) + ".wav";
    m.artist = "artist";
    m.genre = "Techno";
    m.pitch = 200 + seed;
    m.sampleRate = 44100;
    m.tempo = 120.5f;
    m.tempoPercent = 2.5;
    m.startOffset = 10;
    m.endOffset = 2000 + seed;
    m.fileTime = 1700000000 + seed;
    m.volume = -100;
    m.gainDb = 3;
    m.pan = -250;
    m.flags = CMedia::kFlagLoop | CMedia::kFlagHold;
    m.optionB = true;
    m.year = "2026";
    m.extraText1 = "x1";
    m.keyName = "key";
    m.pairs = {{3, "three"}, {17, "seventeen"}};
    m.album = "album";
    m.extraText2 = "x2";
    m.extraText3 = "x3";
    m.comment = "TEMPO=120.5";
    m.extraValue9 = 9;
    m.pcKey = 65 + seed;
    m.midiNote = 14 + seed;
    m.beatCount = 8;
    m.deviceIndex = 0;
    m.eqGain3 = -30;
    m.eqGain2 = 20;
    m.eqGain1 = 10;
    m.triggerMode = 2;
    m.loopCount = 3;
    m.dataSize = 352800;
    m.duration = 2000 + seed;
    m.backColour = 0x123456;
    m.textColour = 0xFFFFFF;
    m.markColour = 0xFF0000;
    m.extraValue10 = 10;
    m.extraText7 = std::string(300, 'L');  // a text that needs the 3-byte length
    m.extraValue11 = 11;
    m.bufferLengthText = "4";
    m.extraText6 = "x6";
    m.extraText5 = "\xE9t\xE9";  // bytes above 127 travel unchanged
    m.extraValue2 = 2;
    m.formatInfo = {1, 3, 1, 16, 0x00, 0xF4, 0x01, 0x00};  // MPEG 1 layer 3 joint stereo, 128000 b/s
    m.fadeIn = CFade(0, 100, 1, 2);
    m.fadeOut = CFade(1, 200, 3, 4);
}

}  // namespace

std::unique_ptr<CChordwayDoc> MakeFullSong(SongEnvironment environment)
{
    auto doc = std::make_unique<CChordwayDoc>(environment);

    auto sample = std::make_unique<CSamples>();
    FillCommonFields(*sample, 1);
    sample->stretchMode = 1;
    sample->stretchOption = 2;
    sample->stretchValue = 3;
    int value = 1;
    for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 22, 23}) {
        auto envelope = CEnvelope::Create(type);
        envelope->period = 0.5f * type;
        envelope->offset = 0.25f;
        envelope->tempo = 120.0f;
        for (int i = 0; i < envelope->OwnFieldCount(); ++i) {
            envelope->SetOwnField(i, value++);
        }
        sample->Attach(std::move(envelope));
    }
    CMedia* samplePtr = doc->InsertMedium(0, std::move(sample));

    auto music = std::make_unique<CMusic>();
    FillCommonFields(*music, 2);
    music->markers = {100, 200, 300};
    CMedia* musicPtr = doc->InsertMedium(1, std::move(music));

    auto midi = std::make_unique<CMidiMedia>();
    FillCommonFields(*midi, 3);
    midi->soundFile = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    midi->setting1 = 0;
    midi->setting2 = 5;
    midi->setting3 = 6;
    midi->setting4 = 7;
    midi->instrumentCount = 2;
    midi->instruments[0].values = {1, 2, 3, 4, 5, 6};
    midi->instruments[1].values = {7, 8, 9, 10, 11, 12};
    doc->InsertMedium(2, std::move(midi));

    auto second = std::make_unique<CSamples>();
    FillCommonFields(*second, 4);
    CMedia* secondPtr = doc->InsertMedium(3, std::move(second));

    doc->SetTempo(120.0f);
    const auto addEvent = [&](int code, CMedia* medium, int start, int duration, int v1, int v2, bool songFlag) {
        CAction action(code, medium, medium ? medium->slot : -1, -1, v1, v2);
        action.SetStart(start);
        action.SetDuration(duration);
        action.SetReserved2(22);
        action.SetReserved3(33);
        action.SetSongFlag(songFlag);
        action.MusicalFromMs(doc->Tempo());
        doc->RecordAction(action);
    };
    addEvent(CAction::kPlay, samplePtr, 0, 2000, -100, 300, false);
    addEvent(CAction::kPlay, musicPtr, 500, 8000, 0, 0, true);
    addEvent(CAction::kVolume, samplePtr, 1000, 0, -300, 0, false);
    addEvent(CAction::kStop, secondPtr, 1250, 0, 0, 0, true);
    addEvent(CAction::kPan, nullptr, 1500, 0, 400, 0, false);
    addEvent(CAction::kPlay, secondPtr, 2000, 1000, -50, -1000, false);

    doc->SetLoopBegin(4);
    doc->SetLoopEnd(8);
    doc->SetLoopSong(true);
    doc->SetFollowSong(true);
    doc->SetViewSettings(2, 7);
    doc->SetQuantizationOn(true);
    doc->SetQuantizationType(1);
    doc->SetQuantizationFrequency(5);
    doc->SetBeatsPerBar(3);
    doc->SetGridZoom(10);
    doc->ComputeSongLength();
    return doc;
}

}  // namespace tessaron::test
