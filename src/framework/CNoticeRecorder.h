#pragma once

#include <string>
#include <vector>

#include "framework/INotice.h"

namespace tessaron {

// Keeps every notice shown, for tests and for tools that report them afterwards.
class CNoticeRecorder : public INotice {
public:
    struct Notice {
        std::string text;
        NoticeIcon icon;
    };

    void show(std::string_view text, NoticeIcon icon) override { notices.push_back(Notice{std::string(text), icon}); }

    std::vector<Notice> notices;
};

}  // namespace tessaron
