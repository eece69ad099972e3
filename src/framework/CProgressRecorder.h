#pragma once

#include <string>
#include <vector>

#include "framework/IProgress.h"

namespace tessaron {

// Records what a progress window would show; can ask for cancel at a given position.
class CProgressRecorder : public IProgress {
public:
    void begin(std::string_view title, int lower, int upper) override;
    void setMessage(std::string_view message) override { messages.emplace_back(message); }
    void setPosition(int position) override;
    bool cancelled() const override { return cancelled_; }
    void end() override { ended = true; }

    // Cancel as soon as the position reaches this value (never when negative).
    int cancelAt = -1;

    std::string title;
    int lower = 0;
    int upper = 0;
    std::vector<std::string> messages;
    std::vector<int> positions;
    bool begun = false;
    bool ended = false;

private:
    bool cancelled_ = false;
};

}  // namespace tessaron
