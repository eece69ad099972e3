// The main frame's audio outputs after one is lost: the song stops, the user is told which
// output went, and "Retry" opens it again without a restart of the program.
#include <cstdio>
#include <mutex>

#include <QMessageBox>
#include <QPushButton>

#include "app/CMainFrame.h"
#include "app/CStatusPanes.h"
#include "audioout/CSoundDevice.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"

namespace tessaron {

void CMainFrame::OnOutputLost()
{
    const std::vector<size_t> lost = outputs_.LostDevices();
    if (lost.empty() || lostNotice_ != nullptr) {
        return;  // a notice of a device opened again since, or one that is showing
    }
    outputLost_ = true;
    scheduler_->StopSong();
    QStringList names;
    for (size_t index : lost) {
        names << QStringLiteral("\"%1\"").arg(QString::fromStdString(outputs_.Devices()[index]->Name()));
    }
    status_->SetPrompt(QStringLiteral("The audio output %1 was lost").arg(names.join(QStringLiteral(", "))));
    std::fprintf(stderr, "tessaron: the audio output %s was lost\n", names.join(QStringLiteral(", ")).toUtf8().constData());
    ShowOutputLost(QStringLiteral("The audio output %1 was lost: its sound server stopped or does not answer. "
                                  "The song was stopped.\n\nStart the sound server again and press Retry.")
                       .arg(names.join(QStringLiteral(", "))));
}

void CMainFrame::ShowOutputLost(const QString& problem)
{
    // Not modal: the window stays usable (and can be closed) while the server is away.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tessaron - audio output lost"), problem,
                                QMessageBox::Retry | QMessageBox::Close, this);
    box->setObjectName(QStringLiteral("OutputLostNotice"));
    box->setDefaultButton(QMessageBox::Retry);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    lostNotice_ = box;
    connect(box, &QMessageBox::finished, this, [this, box](int) {
        const bool retry = box->clickedButton() == box->button(QMessageBox::Retry);
        lostNotice_ = nullptr;
        if (retry && !shutDown_) {
            // Queued: the box goes first, and a failed retry may show a new one.
            QMetaObject::invokeMethod(this, [this] { ReopenOutputs(); }, Qt::QueuedConnection);
        }
    });
    box->open();
}

bool CMainFrame::ReopenOutputs()
{
    if (shutDown_ || !doc_) {
        return false;
    }
    const std::vector<size_t> lost = outputs_.LostDevices();
    scheduler_->StopSong();
    scheduler_->WaitForIdle();
    // A JACK server that went away took the MIDI ports along: their service is made again first,
    // so that the media opened again below play through the new one.
    ReopenMidiIfLost();
    QStringList problems;
    QStringList reopened;
    for (size_t index : lost) {
        std::string problem;
        std::unique_ptr<CSoundDevice> old;
        {
            std::lock_guard guard(doc_->Lock());
            old = outputs_.Replace(index, opener_, problem);
            if (old) {
                loader_->SetDevices(outputs_.Devices());
                loader_->MoveMedia(*doc_);
            }
        }
        if (!old) {
            problems << QString::fromStdString(problem);
            continue;
        }
        if (index == 0) {
            outputs_.Current()->OpenMixer(0);
        }
        reopened << QString::fromStdString(outputs_.Devices()[index]->Name());
        old->Close();
    }
    outputLost_ = !outputs_.LostDevices().empty();
    if (!problems.isEmpty()) {
        ShowOutputLost(problems.join(QStringLiteral("\n")) +
                       QStringLiteral("\n\nStart the sound server again and press Retry."));
        return false;
    }
    if (!reopened.isEmpty()) {
        status_->SetPrompt(QStringLiteral("The audio output %1 plays again").arg(reopened.join(QStringLiteral(", "))));
    }
    RefreshViews();
    return true;
}

}  // namespace tessaron
