// The companion link while the window is open: its server listens from the end of the frame's
// creation to its close, and each frame runs on the user-interface thread like a command.
#include <chrono>
#include <cstdio>
#include <future>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CStatusPanes.h"
#include "media/CMedia.h"
#include "music/CLinkServer.h"
#include "song/CChordwayDoc.h"
#include "song/CCompanionLink.h"
#include "song/CScheduler.h"
#include "views/CMidiView.h"

namespace tessaron {

void CMainFrame::StartLink()
{
    link_ = std::make_unique<CCompanionLink>(*doc_, scheduler_.get());
    link_->SetAddedCallback([this](CMedia& medium) {
        status_->SetPrompt(QStringLiteral("Added \"%1\"").arg(QString::fromStdString(medium.name)));
    });
    // Frames run on this thread (LinkFrame), where the piano's controls live.
    link_->SetKeyLevels([this](int32_t midiKey, int32_t& volume, int32_t& pan) {
        return pianoView_ != nullptr && pianoView_->KeyLevels(midiKey, volume, pan);
    });
    linkStopping_.store(false);
    linkServer_ = std::make_unique<CLinkServer>(
        [this](uint32_t command, std::span<const uint8_t> record) { return LinkFrame(command, record); });
    if (!linkServer_->Start()) {
        // Another Tessaron listens: it keeps the link, this one runs without.
        const QString text = QString::fromStdString(linkServer_->Error());
        status_->SetPrompt(text);
        std::fprintf(stderr, "tessaron: %s\n", linkServer_->Error().c_str());
        linkServer_.reset();
    }
}

void CMainFrame::StopLink()
{
    linkStopping_.store(true);
    if (linkServer_) {
        linkServer_->Stop();
        linkServer_.reset();
    }
    link_.reset();
}

uint32_t CMainFrame::LinkFrame(uint32_t command, std::span<const uint8_t> record)
{
    // On the server's thread: the song changes only on the window's thread.
    auto answer = std::make_shared<std::promise<uint32_t>>();
    std::future<uint32_t> answered = answer->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, answer, command, bytes = std::vector<uint8_t>(record.begin(), record.end())] {
            uint32_t result = 0;
            if (!shutDown_ && link_) {
                result = static_cast<uint32_t>(link_->Execute(command, bytes));
                RefreshViews();
            }
            answer->set_value(result);
        },
        Qt::QueuedConnection);
    // A window that closes meanwhile never runs the call: the server must not wait for it.
    while (answered.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (linkStopping_.load()) {
            return 0;
        }
    }
    try {
        return answered.get();
    } catch (const std::future_error&) {
        return 0;  // the call was dropped with the window
    }
}

}  // namespace tessaron
