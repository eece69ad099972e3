// tessaron-cli effect NAME IN OUT [P1 [P2]] [--range START END]: one sample effect on a file.
#include <cstdio>
#include <string>

#include "audioout/CSoundDevice.h"
#include "cli/ArgumentChecks.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/MediaProblems.h"
#include "framework/INotice.h"
#include "effects/SampleEffect.h"
#include "media/CSampleData.h"

namespace tessaron::cli {

namespace {

int EffectUsage()
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
        return EffectUsage();
    }
    const auto effect = EffectFromName(args[0]);
    if (!effect) {
        Refuse(args[0], "no effect of this name");
        return EffectUsage();
    }
    int parameters[2] = {0, 0};
    int given = 0;
    int range[2] = {0, 0};
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--range") {
            if (i + 2 >= args.size() || !ParseInteger(args[i + 1], range[0]) || !ParseInteger(args[i + 2], range[1]) ||
                range[0] < 0 || range[1] < range[0]) {
                return Refuse("--range", "needs two byte offsets START <= END in digits");
            }
            i += 2;
        } else if (given < 2 && ParseInteger(args[i], parameters[given])) {
            ++given;
        } else if (given < 2) {
            return Refuse(args[i], "a parameter of an effect is a whole number in digits");
        } else {
            return Refuse(args[i], "one argument too many");
        }
    }
    if (given < EffectParameterCount(*effect)) {
        return Refuse(args[0], "takes " + std::to_string(EffectParameterCount(*effect)) + " parameter(s)");
    }
    CSampleData sample;
    if (!sample.LoadFile(args[1], 0, 0)) {
        return FailUnreadable(args[1]);
    }
    CSoundDevice output(AudioApi::Offline);
    if (!output.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) || !sample.Open(&output)) {
        return Fail(args[1], std::string(notice_text::kFileWithoutData));
    }
    if (!sample.ApplyEffect(static_cast<int>(*effect), parameters[0], parameters[1], range[0],
                            range[1] == 0 ? sample.BufferSize() : range[1])) {
        return Fail(args[1], "the effect " + args[0] + " refused these parameters or this sound");
    }
    // The output is complete or untouched, even when it is the input (see COutputFile).
    std::string error;
    if (!sample.SaveSample(args[2], sample.PlayDuration(), false, &error)) {
        return Fail(args[2], error);
    }
    return 0;
}

}  // namespace tessaron::cli
