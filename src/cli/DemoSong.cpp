#include "cli/DemoSong.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <vector>

#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

namespace tessaron::cli {

namespace {

constexpr int kRate = 44100;
constexpr float kTempo = 120.0f;
constexpr int kBeats = 8;  // two bars of 4/4
constexpr int kFrames = kRate * kBeats * 60 / 120;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Stereo float frames, mixed into before the conversion to 16 bits.
struct Loop {
    std::vector<float> left = std::vector<float>(kFrames);
    std::vector<float> right = std::vector<float>(kFrames);

    void Add(int frame, float l, float r)
    {
        if (frame >= 0 && frame < kFrames) {
            left[static_cast<size_t>(frame)] += l;
            right[static_cast<size_t>(frame)] += r;
        }
    }
};

int BeatFrame(double beat) { return static_cast<int>(beat * kRate * 60.0 / kTempo); }

double NoteHz(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

// A small deterministic noise source, so that the demo files are the same on every machine.
class Noise {
public:
    float Next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 24) * 2.0f - 1.0f;
    }

private:
    uint32_t state_ = 12345;
};

Loop MakeDrums()
{
    Loop loop;
    Noise noise;
    for (int beat = 0; beat < kBeats; ++beat) {
        // Kick on every beat: a sine falling from 120 Hz to 45 Hz.
        double phase = 0.0;
        for (int i = 0; i < kRate / 4; ++i) {
            const double t = static_cast<double>(i) / kRate;
            phase += kTwoPi * (45.0 + 75.0 * std::exp(-t * 30.0)) / kRate;
            const float v = static_cast<float>(0.9 * std::sin(phase) * std::exp(-t * 9.0));
            loop.Add(BeatFrame(beat) + i, v, v);
        }
        // Snare on 2 and 4: noise and a 190 Hz body.
        if (beat % 2 == 1) {
            for (int i = 0; i < kRate / 6; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const float v = static_cast<float>((0.45 * noise.Next() + 0.3 * std::sin(kTwoPi * 190.0 * t)) *
                                                   std::exp(-t * 22.0));
                loop.Add(BeatFrame(beat) + i, v, v);
            }
        }
    }
    // Closed hats on every eighth, a little to the right.
    for (int eighth = 0; eighth < kBeats * 2; ++eighth) {
        for (int i = 0; i < kRate / 20; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const float v = static_cast<float>(0.18 * noise.Next() * std::exp(-t * 90.0));
            loop.Add(BeatFrame(eighth * 0.5) + i, v * 0.7f, v);
        }
    }
    return loop;
}

Loop MakeBass()
{
    Loop loop;
    // A minor line, one note per beat: A A C D / E E D C.
    const int notes[kBeats] = {45, 45, 48, 50, 52, 52, 50, 48};
    for (int beat = 0; beat < kBeats; ++beat) {
        const double hz = NoteHz(notes[beat]);
        const int length = BeatFrame(0.9);
        for (int i = 0; i < length; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double envelope = std::min(1.0, t * 200.0) * std::exp(-t * 2.5);
            // A rounded square: the first three odd harmonics.
            const double wave = std::sin(kTwoPi * hz * t) + std::sin(3 * kTwoPi * hz * t) / 3.0 +
                                std::sin(5 * kTwoPi * hz * t) / 5.0;
            const float v = static_cast<float>(0.45 * envelope * wave);
            loop.Add(BeatFrame(beat) + i, v, v);
        }
    }
    return loop;
}

Loop MakePad()
{
    Loop loop;
    // A minor for a bar, then F major, with a slow swell in each bar.
    const int chords[2][3] = {{57, 60, 64}, {53, 57, 60}};
    const int barFrames = BeatFrame(4);
    for (int bar = 0; bar < 2; ++bar) {
        for (int i = 0; i < barFrames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double envelope = std::sin(std::numbers::pi * i / barFrames);
            double l = 0.0, r = 0.0;
            for (int n = 0; n < 3; ++n) {
                const double hz = NoteHz(chords[bar][n]);
                l += std::sin(kTwoPi * hz * 0.997 * t);  // two detuned voices for width
                r += std::sin(kTwoPi * hz * 1.003 * t);
            }
            loop.Add(bar * barFrames + i, static_cast<float>(0.12 * envelope * l), static_cast<float>(0.12 * envelope * r));
        }
    }
    return loop;
}

// Writes the loop as 16-bit stereo, scaled to the given peak (so that the loops played
// together stay below full scale).
std::string WriteLoop(const Loop& loop, float level, const std::string& path)
{
    float peak = 1e-6f;
    for (size_t i = 0; i < static_cast<size_t>(kFrames); ++i) {
        peak = std::max({peak, std::fabs(loop.left[i]), std::fabs(loop.right[i])});
    }
    const float scale = level * 32767.0f / peak;
    std::vector<int16_t> pcm(static_cast<size_t>(kFrames) * 2);
    for (size_t i = 0; i < static_cast<size_t>(kFrames); ++i) {
        pcm[2 * i] = static_cast<int16_t>(std::lround(loop.left[i] * scale));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(loop.right[i] * scale));
    }
    const auto bytes = static_cast<int32_t>(pcm.size() * sizeof(int16_t));
    CWaveReader writer;
    const bool written = writer.CreateForWrite(path, CWaveReader::MakePcmFormat(false, kRate), bytes) &&
                         writer.Write(pcm.data(), bytes) == bytes && writer.FinishWrite();
    return written ? std::string() : path + ": " + writer.WriteErrorText();
}

}  // namespace

std::string WriteDemoSong(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return "cannot make the folder: " + error.message();
    }
    const std::filesystem::path base = std::filesystem::absolute(folder, error);
    if (error) {
        return "cannot make the folder: " + error.message();
    }

    struct Part {
        const char* name;
        Loop (*make)();
        int loopCount;
        float level;
    };
    const Part parts[] = {{"drums", MakeDrums, 8, 0.5f}, {"bass", MakeBass, 6, 0.4f}, {"pad", MakePad, 4, 0.3f}};

    CChordwayDoc doc;
    doc.SetTempo(kTempo);
    std::vector<CMedia*> media;
    const int32_t lengthMs = kFrames * 1000 / kRate;
    for (int i = 0; i < 3; ++i) {
        const std::string path = (base / (std::string(parts[i].name) + ".wav")).string();
        if (std::string error = WriteLoop(parts[i].make(), parts[i].level, path); !error.empty()) {
            return error;
        }
        auto sample = std::make_unique<CSamples>(path, parts[i].name, kRate, lengthMs, "Tessaron", "Demo", kTempo, 0,
                                                 0, 0);
        sample->dataSize = kFrames * 4;
        sample->beatCount = kBeats;
        sample->comment = "TEMPO=120";
        sample->flags |= CMedia::kFlagLoop;
        sample->loopCount = parts[i].loopCount;
        sample->pcKey = '0' + i;  // the label of keyboard key i
        sample->formatInfo = {1, 0, 10, 16, 0x80, 0x88, 0x15, 0};  // PCM, 1411200 bits per second
        media.push_back(doc.InsertMedium(i, std::move(sample)));
        doc.SetMediumKey(*media.back(), i);
    }

    // Sixteen bars: drums throughout, bass from bar 3, pad from bar 5 to bar 12, and the drums
    // turned down for the last four bars.
    const auto record = [&](int code, CMedia* medium, int beat, int value1, int value2) {
        CAction action(code, medium, medium->slot, -1, value1, value2);
        action.SetStart(CMesure(beat, 0.0f).ToMs(kTempo));
        action.SetDuration(code == CAction::kPlay ? medium->GetTotalPlayLength() : 0);
        action.MusicalFromMs(kTempo);
        doc.RecordAction(action);
    };
    record(CAction::kPlay, media[0], 0, 0, 0);
    record(CAction::kPlay, media[1], 8, -30, -150);
    record(CAction::kPlay, media[2], 16, -60, 150);
    record(CAction::kVolume, media[0], 48, -120, 0);
    doc.SetLoopBegin(16);
    doc.SetLoopEnd(48);

    const std::string song = (base / "demo.tsn").string();
    const auto saved = CSongFile::Save(doc, song);
    return saved.ok() ? std::string() : song + ": " + saved.error;
}

}  // namespace tessaron::cli
