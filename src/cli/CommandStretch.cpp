// tessaron-cli stretch IN OUT --from BPM --to BPM: the time stretch of samples on a file.
#include <cmath>
#include <cstdio>
#include <string>

#include "audioout/CSoundDevice.h"
#include "cli/Commands.h"
#include "media/CSampleData.h"

namespace tessaron::cli {

namespace {

bool ParseTempo(const std::string& text, float& tempo)
{
    try {
        size_t used = 0;
        tempo = std::stof(text, &used);
        return used == text.size() && std::isfinite(tempo) && tempo >= 1.0f && tempo <= 1000.0f;
    } catch (...) {
        return false;
    }
}

}  // namespace

// Fits the sample from one tempo to the other keeping its pitch, exactly as a sample in
// time-stretch mode is fitted to the song, and writes it in the input's format.
int RunStretch(const Arguments& args)
{
    float from = 0.0f;
    float to = 0.0f;
    bool haveFrom = false;
    bool haveTo = false;
    for (size_t i = 2; args.size() == 6 && i < 6; i += 2) {
        if (args[i] == "--from") {
            haveFrom = ParseTempo(args[i + 1], from);
        } else if (args[i] == "--to") {
            haveTo = ParseTempo(args[i + 1], to);
        }
    }
    if (args.size() != 6 || !haveFrom || !haveTo) {
        std::fprintf(stderr, "usage: tessaron-cli stretch IN.wav OUT.wav --from BPM --to BPM (tempos 1..1000)\n");
        return 2;
    }
    CSampleData sample;
    if (!sample.LoadFile(args[0], 0, 0)) {
        std::fprintf(stderr, "tessaron-cli stretch: %s: File is incompatible\n", args[0].c_str());
        return 1;
    }
    if (from != to && !sample.FitTempo(TempoMode::Stretch, 0, 0, from, to)) {
        std::fprintf(stderr, "tessaron-cli stretch: %s: cannot stretch this sound from %g to %g BPM\n",
                     args[0].c_str(), static_cast<double>(from), static_cast<double>(to));
        return 1;
    }
    CSoundDevice output(AudioApi::Offline);
    if (!output.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) || !sample.Open(&output)) {
        std::fprintf(stderr, "tessaron-cli stretch: %s: File without data\n", args[0].c_str());
        return 1;
    }
    if (!sample.SaveSample(args[1], sample.PlayDuration(), false)) {
        std::fprintf(stderr, "tessaron-cli stretch: cannot write %s\n", args[1].c_str());
        return 1;
    }
    return 0;
}

}  // namespace tessaron::cli
