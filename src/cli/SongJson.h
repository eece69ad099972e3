#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tessaron {
class CChordwayDoc;
}

namespace tessaron::cli {

// The song as JSON: settings, media with every stored field, events. Texts show their bytes as
// UTF-8 where they are, with the other bytes marked (see TextBytes.h), so that any byte a song
// file holds comes back unchanged.
nlohmann::ordered_json SongToJson(CChordwayDoc& doc);

// Fills an empty document from the JSON form, every stored field as given (ids included).
// Throws std::runtime_error naming the JSON path of a value that is missing, of the wrong type,
// does not fit its stored field, or would make a song that does not open.
// Answers warnings about values the song takes as they are but that may not be meant.
std::vector<std::string> SongFromJson(const nlohmann::ordered_json& json, CChordwayDoc& doc);

}  // namespace tessaron::cli
