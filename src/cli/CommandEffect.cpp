// tessaron-cli effect NAME IN OUT [P1 [P2]] [--range START END]: one sample effect on a file.
#include <cstdio>
#include <string>

#include "audioout/CSoundDevice.h"
#include "cli/Commands.h"
#include "effects/SampleEffect.h"
#include "media/CSampleData.h"

namespace tessaron::cli {

namespace {

bool ParseInt(const std::string& text, int& value)
{
    try {
        size_t used = 0;
        value = std::stoi(text, &used);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: tessaron-cli effect NAME IN.wav OUT.wav [P1 [P2]] [--range START END]\n"
                         "names:");
    for (SampleEffect effect : AllSampleEffects()) {
        std::fprintf(stderr, " %s", std::string(EffectName(effect)).c_str());
    }
    std::fprintf(stderr, "\n");
    return 2;
}

}  // namespace

// Runs the effect on the sample's output buffer as the wave editor does, on an output that
// plays nothing, and saves the buffer in the input's format.
int RunEffect(const Arguments& args)
{
    if (args.size() < 3) {
        return Usage();
    }
    const auto effect = EffectFromName(args[0]);
    if (!effect) {
        std::fprintf(stderr, "tessaron-cli effect: unknown effect '%s'\n", args[0].c_str());
        return Usage();
    }
    int parameters[2] = {0, 0};
    int given = 0;
    int range[2] = {0, 0};
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--range" && i + 2 < args.size()) {
            if (!ParseInt(args[i + 1], range[0]) || !ParseInt(args[i + 2], range[1]) || range[0] < 0 ||
                range[1] < range[0]) {
                std::fprintf(stderr, "tessaron-cli effect: --range needs byte offsets START <= END\n");
                return 2;
            }
            i += 2;
        } else if (given < 2 && ParseInt(args[i], parameters[given])) {
            ++given;
        } else {
            return Usage();
        }
    }
    if (given < EffectParameterCount(*effect)) {
        std::fprintf(stderr, "tessaron-cli effect: %s takes %d parameter(s)\n", args[0].c_str(),
                     EffectParameterCount(*effect));
        return 2;
    }
    CSampleData sample;
    if (!sample.LoadFile(args[1], 0, 0)) {
        std::fprintf(stderr, "tessaron-cli effect: %s: File is incompatible\n", args[1].c_str());
        return 1;
    }
    CSoundDevice output(AudioApi::Offline);
    if (!output.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) || !sample.Open(&output)) {
        std::fprintf(stderr, "tessaron-cli effect: %s: File without data\n", args[1].c_str());
        return 1;
    }
    if (!sample.ApplyEffect(static_cast<int>(*effect), parameters[0], parameters[1], range[0],
                            range[1] == 0 ? sample.BufferSize() : range[1])) {
        std::fprintf(stderr, "tessaron-cli effect: %s refused these parameters or this sound\n", args[0].c_str());
        return 1;
    }
    if (!sample.SaveSample(args[2], sample.PlayDuration(), false)) {
        std::fprintf(stderr, "tessaron-cli effect: cannot write %s\n", args[2].c_str());
        return 1;
    }
    return 0;
}

}  // namespace tessaron::cli
