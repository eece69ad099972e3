// The companion link's client: hands a sample file, or frames to cut from a music file, to a
// running Tessaron.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "cli/Commands.h"
#include "music/CLinkServer.h"
#include "music/LinkRecords.h"

namespace tessaron::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessaron-cli send file --path FILE [--name NAME] [--start MS] [--end MS] [--duration MS]\n"
    "                               [--tempo BPM] [--beats N] [--tempo-percent P] [--volume V] [--pan P]\n"
    "                               [--loop] [--data-size BYTES] [--socket PATH]\n"
    "       tessaron-cli send cut --path MUSIC --tempo BPM --beats N --frames N [--name NAME] [--start MS]\n"
    "                               [--tempo-percent P] [--option V] [--socket PATH]\n";

bool ToInt(const std::string& text, int32_t& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) {
        return false;
    }
    value = static_cast<int32_t>(parsed);
    return true;
}

bool ToDouble(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

}  // namespace

int RunSend(const Arguments& args)
{
    if (args.empty() || (args[0] != "file" && args[0] != "cut")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const bool cut = args[0] == "cut";
    link::AddSampleRecord file;
    link::CutFramesRecord frames;
    std::string socket = CLinkServer::DefaultPath();
    double tempo = 0.0;
    double tempoPercent = 0.0;
    bool haveTempo = false, haveBeats = false, haveFrames = false;

    using Setter = std::function<bool(const std::string&)>;
    auto integer = [](int32_t& field) { return Setter([&field](const std::string& t) { return ToInt(t, field); }); };
    std::map<std::string, Setter> options = {
        {"--path", [&](const std::string& t) { file.path = frames.path = t; return true; }},
        {"--name", [&](const std::string& t) { file.name = frames.name = t; return true; }},
        {"--socket", [&](const std::string& t) { socket = t; return true; }},
        {"--tempo", [&](const std::string& t) { return haveTempo = ToDouble(t, tempo); }},
        {"--tempo-percent", [&](const std::string& t) { return ToDouble(t, tempoPercent); }},
    };
    if (cut) {
        options["--start"] = integer(frames.startMs);
        options["--beats"] = [&](const std::string& t) { return haveBeats = ToInt(t, frames.beatsPerFrame); };
        options["--frames"] = [&](const std::string& t) { return haveFrames = ToInt(t, frames.frames); };
        options["--option"] = integer(frames.option);
    } else {
        options["--start"] = integer(file.startOffset);
        options["--end"] = integer(file.endOffset);
        options["--duration"] = integer(file.duration);
        options["--beats"] = integer(file.beats);
        options["--volume"] = integer(file.volume);
        options["--pan"] = integer(file.pan);
        options["--data-size"] = integer(file.dataSize);
    }
    for (size_t i = 1; i < args.size(); ++i) {
        if (!cut && args[i] == "--loop") {
            file.loop = 1;
            continue;
        }
        const auto option = options.find(args[i]);
        if (option == options.end() || i + 1 >= args.size() || !option->second(args[i + 1])) {
            std::fprintf(stderr, "tessaron-cli send: bad or incomplete option %s\n%s", args[i].c_str(), kUsage);
            return 2;
        }
        ++i;
    }
    if (file.path.empty() || (cut && !(haveTempo && haveBeats && haveFrames))) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (file.name.empty()) {
        file.name = frames.name = file.path.substr(file.path.find_last_of("/\\") + 1);
    }
    file.tempo = frames.tempo = static_cast<float>(tempo);
    file.tempoPercent = frames.tempoPercent = tempoPercent;
    const std::vector<uint8_t> record = cut ? link::Encode(frames) : link::Encode(file);
    if (record.empty()) {
        std::fprintf(stderr, "tessaron-cli send: a name or path is longer than 255 bytes\n");
        return 2;
    }
    uint32_t answer = 0;
    std::string error;
    if (!SendLinkFrame(socket, cut ? link::kCutFrames : link::kAddSample, record, answer, error)) {
        std::fprintf(stderr, "tessaron-cli send: %s\n", error.c_str());
        return 1;
    }
    if (answer == 0) {
        std::fprintf(stderr, "tessaron-cli send: the program refused the record\n");
        return 1;
    }
    std::printf("sent\n");
    return 0;
}

}  // namespace tessaron::cli
