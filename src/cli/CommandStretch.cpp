// tessaron-cli stretch IN OUT --from BPM --to BPM: the time stretch of samples on a file.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audioout/CSoundDevice.h"
#include "cli/ArgumentChecks.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/MediaProblems.h"
#include "framework/INotice.h"
#include "media/CSampleData.h"

namespace tessaron::cli {

namespace {

bool ParseTempo(const std::string& text, float& tempo)
{
    double value = 0.0;
    if (!ParseNumber(text, value) || value < 1.0 || value > 1000.0) {
        return false;
    }
    tempo = static_cast<float>(value);
    return true;
}

constexpr const char* kUsage = "stretch IN.wav OUT.wav --from BPM --to BPM";

}  // namespace

// Fits the sample from one tempo to the other keeping its pitch, exactly as a sample in
// time-stretch mode is fitted to the song, and writes it in the input's format.
int RunStretch(const Arguments& args)
{
    float from = 0.0f;
    float to = 0.0f;
    bool haveFrom = false;
    bool haveTo = false;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--from" || args[i] == "--to") {
            float& tempo = args[i] == "--from" ? from : to;
            if (i + 1 == args.size() || !ParseTempo(args[i + 1], tempo)) {
                return Refuse(args[i], "needs a tempo in BPM from 1 to 1000, in digits");
            }
            (args[i] == "--from" ? haveFrom : haveTo) = true;
            ++i;
        } else if (args[i].starts_with("--")) {
            return Refuse(args[i], "unknown option of stretch");
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2 || !haveFrom || !haveTo) {
        return Usage(kUsage);
    }
    CSampleData sample;
    if (!sample.LoadFile(files[0], 0, 0)) {
        return FailUnreadable(files[0]);
    }
    if (from != to && !sample.FitTempo(TempoMode::Stretch, 0, 0, from, to)) {
        char what[96];
        std::snprintf(what, sizeof what, "cannot stretch this sound from %g to %g BPM", static_cast<double>(from),
                      static_cast<double>(to));
        return Fail(files[0], what);
    }
    CSoundDevice output(AudioApi::Offline);
    if (!output.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) || !sample.Open(&output)) {
        return Fail(files[0], std::string(notice_text::kFileWithoutData));
    }
    // The output is complete or untouched, even when it is the input (see COutputFile).
    std::string error;
    if (!sample.SaveSample(files[1], sample.PlayDuration(), false, &error)) {
        return Fail(files[1], error);
    }
    return 0;
}

}  // namespace tessaron::cli
