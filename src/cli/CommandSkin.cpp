// tessaron-cli skin FILE.ini: what the program makes of a skin file, as JSON.
#include <cstdio>
#include <iostream>

#include "skin/CSkinFile.h"
#include "cli/Commands.h"
#include "cli/SkinJson.h"

namespace tessaron::cli {

int RunSkin(const Arguments& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: tessaron-cli skin FILE.ini\n");
        return 2;
    }
    CSkinFile skin;
    const bool loaded = skin.LoadAndParse(arguments[0]);
    // Skin texts are 8-bit; bytes that are not UTF-8 are shown as replacement characters.
    std::cout << SkinToJson(skin).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    if (!loaded) {
        std::fprintf(stderr, "tessaron-cli skin: %s: not a skin file (cannot be read, or no \"%s\" in it); "
                             "the defaults are shown\n",
                     arguments[0].c_str(), std::string(CSkinFile::kHeader).c_str());
        return 1;
    }
    return 0;
}

}  // namespace tessaron::cli
