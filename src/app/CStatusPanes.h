#pragma once

#include <array>
#include <cstdint>

#include <QString>

class QLabel;
class QStatusBar;

namespace tessaron {

// The six panes of the status bar: prompts, song position, media, events, memory, record.
class CStatusPanes {
public:
    static constexpr int kCount = 6;
    explicit CStatusPanes(QStatusBar& bar);

    void SetPrompt(const QString& text);
    void SetBarBeat(int32_t bar, int32_t beat, int32_t tick);
    void SetTime(int64_t ms);
    void ResetPosition(bool timeDisplay);
    void SetMedia(int32_t given, int32_t count);
    void SetEvent(int32_t given, int32_t count);
    void SetMemory(int64_t usedBytes, int32_t memoryMaxBytes);
    void SetRecord(bool recording);
    QString Text(int pane) const;
    QStatusBar& Bar() { return bar_; }

private:
    QStatusBar& bar_;
    std::array<QLabel*, kCount> panes_{};
};

}  // namespace tessaron
