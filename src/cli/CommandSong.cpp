// The song commands: dump, build, resave and summary.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/SongJson.h"
#include "framework/TimeText.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

namespace tessaron::cli {

namespace {

int Usage(const char* usage)
{
    std::fprintf(stderr, "usage: tessaron-cli %s\n", usage);
    return 2;
}

int Fail(const std::string& error)
{
    std::fprintf(stderr, "tessaron-cli: %s\n", error.c_str());
    return 1;
}

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
        return Fail(result.error);
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
        return Fail("cannot open " + args[0]);
    }
    nlohmann::ordered_json json;
    try {
        json = nlohmann::ordered_json::parse(in);
    } catch (const nlohmann::json::exception& e) {
        return Fail(args[0] + ": " + e.what());
    }
    CChordwayDoc doc;
    try {
        SongFromJson(json, doc);
    } catch (const std::exception& e) {
        return Fail(args[0] + ": " + e.what());
    }
    const auto result = CSongFile::Save(doc, args[1]);
    return result.ok() ? 0 : Fail(result.error);
}

int RunResave(const Arguments& args)
{
    if (args.size() != 2) {
        return Usage("resave IN.tsn OUT.tsn");
    }
    ConsoleNotice notice;
    SongEnvironment env;
    env.notice = &notice;  // no devices, no ports, the 2-octave keyboard, no media data
    CChordwayDoc doc(env);
    const auto opened = CSongFile::Open(doc, args[0]);
    if (opened.status == CSongFile::Status::NotASongPath) {
        return Fail(opened.error);
    }
    if (!opened.ok()) {
        return 1;  // the notice said why
    }
    const auto saved = CSongFile::Save(doc, args[1]);
    return saved.ok() ? 0 : Fail(saved.error);
}

int RunSummary(const Arguments& args)
{
    if (args.size() != 1) {
        return Usage("summary SONG.tsn");
    }
    ConsoleNotice notice;
    CChordwayDoc doc(SongEnvironment{nullptr, &notice});
    const auto opened = CSongFile::Open(doc, args[0]);
    if (!opened.ok()) {
        return opened.status == CSongFile::Status::NotASongPath ? Fail(opened.error) : 1;
    }
    const CMesure length(doc.SongLength(), 0.0f, doc.BeatsPerBar());
    std::printf("%s: tempo %.1f BPM, %d/4, %d media, %d events, length %s beats (%s)\n", args[0].c_str(),
                doc.EffectiveTempo(), doc.BeatsPerBar(), doc.MediaCount(), doc.EventCount(),
                length.LengthText().c_str(), time_text::FromMs(length.ToMs(doc.EffectiveTempo())).c_str());
    for (int i = 0; i < doc.MediaCount(); ++i) {
        const CMedia& m = *doc.MediumAt(i);
        std::printf("  %2d  %-6s key %-4s %-20s %s\n", i + 1, KindName(m), m.MidiNoteText().c_str(), m.name.c_str(),
                    m.filePath.c_str());
    }
    if (doc.LoopSong()) {
        std::printf("  loop from beat %d to beat %d\n", doc.LoopBegin(), doc.LoopEnd());
    }
    return 0;
}

}  // namespace tessaron::cli
