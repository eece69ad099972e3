// The main frame's ties to the timeline: the grid size list, the loop fields, the event list.
#include <QComboBox>
#include <QLineEdit>

#include "app/CMainFrame.h"
#include "app/CSettingsBar.h"
#include "app/CStatusPanes.h"
#include "song/CChordwayDoc.h"
#include "views/CActionView.h"
#include "views/CGridView.h"

namespace tessaron {

void CMainFrame::ConnectTimeline()
{
    timeline_->OnLoopChanged([this] { settingsBar_->ShowSong(*doc_); });
    timeline_->OnEventsChanged([this] {
        eventList_->Rebuild();
        UpdateTitle();
        UpdateCommands();
        status_->SetEvent(eventList_->SelectedRow() + 1, doc_->EventCount());
    });
    timeline_->OnUndo([this] { RunCommand(kUndo); });
    timeline_->OnDisplayWave([this](CMedia& medium) { OpenWaveEditor(medium); });
    // The settings bar gives the song its zoom first (it connected first).
    connect(settingsBar_->GridSize(), &QComboBox::activated, timeline_,
            [this] { timeline_->SetZoom(doc_->GridZoom()); });
    // Whatever rebuilds the event list (recording, editing, quantizing, undo) changed events.
    connect(eventList_->model(), &QAbstractItemModel::modelReset, timeline_, [this] { timeline_->EventsChanged(); });
    // The loop fields show what the song holds after each change, typed or stepped.
    for (QLineEdit* field : {settingsBar_->LoopBegin(), settingsBar_->LoopEnd()}) {
        connect(field, &QLineEdit::textChanged, timeline_, [this] { timeline_->RulerChanged(); });
    }
}

}  // namespace tessaron
