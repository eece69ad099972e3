#include "midi/IMidiPorts.h"

namespace tessaron {

int FindPort(const std::vector<std::string>& ports, const std::string& wanted)
{
    if (wanted.empty()) {
        return -1;
    }
    for (size_t i = 0; i < ports.size(); ++i) {
        if (ports[i] == wanted) {
            return static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].find(':') == wanted.size() && ports[i].compare(0, wanted.size(), wanted) == 0) {
            return static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].find(wanted) != std::string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace tessaron
