#pragma once

#include <nlohmann/json.hpp>

namespace tessaron {
class CSkinFile;
}

namespace tessaron::cli {

// What the parser made of a skin, every table value with its found flag, the fonts, the
// bitmap definitions with the images they would load, and the values the main frame applies.
nlohmann::ordered_json SkinToJson(const CSkinFile& skin);

}  // namespace tessaron::cli
