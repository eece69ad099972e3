#pragma once

#include <cstdint>
#include <functional>

#include <QToolBar>

class QSlider;

namespace tessaron {

// The move bar: "Goto the song start", "Goto the song end" and a song position slider as wide
// as the window.
class CMoveBar : public QToolBar {
public:
    CMoveBar(QAction* gotoStart, QAction* gotoEnd, QWidget* parent);

    void SetRange(int32_t songLengthBeats);
    // Follows the song without telling the song back.
    void SetPosition(int32_t beat);
    int32_t Position() const;
    int32_t Maximum() const;
    // Called with the beat the user dragged the slider to.
    void OnUserMove(std::function<void(int32_t)> handler) { onMove_ = std::move(handler); }
    QSlider* Slider() const { return slider_; }

private:
    QSlider* slider_;
    std::function<void(int32_t)> onMove_;
};

}  // namespace tessaron
