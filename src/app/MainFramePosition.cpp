// The main frame's song position display under the scheduler's stream of position messages.
#include <QStatusBar>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/CMoveBar.h"
#include "app/CStatusPanes.h"

namespace tessaron {

namespace {

// About 30 paints a second: smooth to the eye, a small share of the 500 messages.
constexpr int kPositionPaintMs = 33;

}  // namespace

void CMainFrame::HoldPositionPaint()
{
    if (positionPaintHeld_ || !status_ || !moveBar_) {
        return;
    }
    positionPaintHeld_ = true;
    status_->Bar().setUpdatesEnabled(false);
    moveBar_->setUpdatesEnabled(false);
    QTimer::singleShot(kPositionPaintMs, this, [this] {
        positionPaintHeld_ = false;
        if (status_ && moveBar_) {
            status_->Bar().setUpdatesEnabled(true);  // one paint of what came meanwhile
            moveBar_->setUpdatesEnabled(true);
        }
    });
}

}  // namespace tessaron
