#pragma once

#include <string>
#include <string_view>

#include "framework/CClassRegistry.h"

namespace tessaron {

class CArchive;
class CChordwayDoc;

// The ".tsn" song file: the magic text, the media as tagged objects, the events each after
// the id of its medium, then the song settings.
class CSongFile {
public:
    static constexpr std::string_view kMagic = "Tessaron";
    static constexpr std::string_view kExtension = ".tsn";

    enum class Status {
        Ok,
        NotASongPath,  // the path does not name a song file; refused without a message
        CannotRead,    // the file could not be read
        CannotWrite,   // the song could not be saved
        WrongMagic,    // not a song of this program
        NoData,        // "File without data"
        Damaged,       // the archive error: truncated, wrong tag, unknown class, bad schema
    };

    struct Result {
        Status status = Status::Ok;
        std::string error;  // what went wrong, for the user, after the file's name
        bool ok() const { return status == Status::Ok; }
    };

    // How a read treats what the file holds.
    enum class ReadMode {
        ForPlaying,  // keys fitted to the keyboard, unknown devices and ports reset to 0
        AsStored,    // every value exactly as stored (dump)
    };

    // The classes a song file may contain.
    static const CClassRegistry& Classes();

    static void Store(CChordwayDoc& doc, CArchive& archive);
    // Reads a song into an empty document. Wrong magic and no media end the read with a status;
    // a damaged stream throws CArchiveException.
    static Status Load(CChordwayDoc& doc, CArchive& archive, ReadMode mode);

    // Opens the song at `path` into `doc`. The file is read completely before the current song
    // is replaced, so that a file that cannot be read leaves the current song as it was.
    // Notices go to the document's notice service.
    static Result Open(CChordwayDoc& doc, const std::string& path, ReadMode mode = ReadMode::ForPlaying);
    // Reads a song file into `doc` without touching anything else; for tools.
    static Result Read(CChordwayDoc& doc, const std::string& path, ReadMode mode);

    // Saves beside the target first and renames, so that a failed save keeps the previous file.
    static Result Save(CChordwayDoc& doc, const std::string& path);
};

}  // namespace tessaron
