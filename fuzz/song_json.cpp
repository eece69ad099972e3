// Feeds arbitrary text to the JSON build of a song: it must refuse with its error or make a song
// that the song reader opens, and the dump of that song must build the same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "cli/SongJson.h"
#include "framework/CArchive.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessaron;
    const auto json = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (json.is_discarded()) {
        return 0;
    }
    CChordwayDoc built;
    try {
        cli::SongFromJson(json, built);
    } catch (const std::runtime_error&) {
        return 0;  // refused, naming the value
    }
    CArchive stored;
    CSongFile::Store(built, stored);
    CChordwayDoc read;
    try {
        CArchive archive(stored.Bytes(), CSongFile::Classes());
        if (CSongFile::Load(read, archive, CSongFile::ReadMode::AsStored) != CSongFile::Status::Ok) {
            std::abort();  // built a song the reader refuses
        }
    } catch (const CArchiveException&) {
        std::abort();
    }
    CChordwayDoc again;
    cli::SongFromJson(cli::SongToJson(read), again);
    CArchive restored;
    CSongFile::Store(again, restored);
    if (restored.Bytes() != stored.Bytes()) {
        std::abort();  // dump then build changed the song
    }
    return 0;
}
