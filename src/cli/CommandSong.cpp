// The song commands: dump, build, resave and summary.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/MediaProblems.h"
#include "cli/SongJson.h"
#include "framework/TimeText.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

namespace tessaron::cli {

namespace {

const char* KindName(const CMedia& m)
{
    switch (m.kind) {
    case CMedia::kKindSample: return "sample";
    case CMedia::kKindMusic: return "music";
    case CMedia::kKindMidi: return "midi";
    default: return "medium";
    }
}

}  // namespace

int RunDump(const Arguments& args)
{
    if (args.size() != 1) {
        return Usage("dump SONG.tsn");
    }
    CChordwayDoc doc;
    const auto result = CSongFile::Read(doc, args[0], CSongFile::ReadMode::AsStored);
    if (!result.ok()) {
        return Fail(args[0], result.error);
    }
    std::cout << SongToJson(doc).dump(2) << '\n';
    return 0;
}

int RunBuild(const Arguments& args)
{
    if (args.size() != 2) {
        return Usage("build SONG.json OUT.tsn");
    }
    std::ifstream in(args[0]);
    if (!in) {
        return Fail(args[0], std::strerror(errno));
    }
    nlohmann::ordered_json json;
    try {
        json = nlohmann::ordered_json::parse(in);
    } catch (const nlohmann::json::exception& e) {
        return Fail(args[0], std::string("not JSON: ") + e.what());
    }
    CChordwayDoc doc;
    try {
        for (const std::string& warning : SongFromJson(json, doc)) {
            Warn(args[0], warning);
        }
    } catch (const std::exception& e) {
        return Fail(args[0], e.what());
    }
    const auto result = CSongFile::Save(doc, args[1]);
    return result.ok() ? 0 : Fail(args[1], result.error);
}

int RunResave(const Arguments& args)
{
    if (args.size() != 2) {
        return Usage("resave IN.tsn OUT.tsn");
    }
    ConsoleNotice notice(args[0]);
    SongEnvironment env;
    env.notice = &notice;  // no devices, no ports, the 2-octave keyboard, no media data
    CChordwayDoc doc(env);
    if (!OpenSong(doc, args[0])) {
        return 1;
    }
    const auto saved = CSongFile::Save(doc, args[1]);
    return saved.ok() ? 0 : Fail(args[1], saved.error);
}

int RunSummary(const Arguments& args)
{
    if (args.size() != 1) {
        return Usage("summary SONG.tsn");
    }
    ConsoleNotice notice(args[0]);
    CChordwayDoc doc(SongEnvironment{nullptr, &notice});
    if (!OpenSong(doc, args[0])) {
        return 1;
    }
    const CMesure length(doc.SongLength(), 0.0f, doc.BeatsPerBar());
    std::printf("%s: tempo %.1f BPM, %d/4, %d media, %d events, length %s beats (%s)\n", args[0].c_str(),
                doc.EffectiveTempo(), doc.BeatsPerBar(), doc.MediaCount(), doc.EventCount(),
                length.LengthText().c_str(), time_text::FromMs(length.ToMs(doc.EffectiveTempo())).c_str());
    for (int i = 0; i < doc.MediaCount(); ++i) {
        const CMedia& m = *doc.MediumAt(i);
        const std::string problem = MediumProblem(m);
        std::printf("  %2d  %-6s key %-4s %-20s %s%s\n", i + 1, KindName(m), m.MidiNoteText().c_str(), m.name.c_str(),
                    m.filePath.c_str(), problem.empty() ? "" : ("  [cannot load: " + problem + "]").c_str());
    }
    if (doc.LoopSong()) {
        std::printf("  loop from beat %d to beat %d\n", doc.LoopBegin(), doc.LoopEnd());
    }
    return 0;
}

}  // namespace tessaron::cli
