// The main frame's wave editors: one window per sample, closed with the song that holds it.
#include "app/CMainFrame.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "views/CWaveEditWnd.h"

namespace tessaron {

void CMainFrame::OpenWaveEditor(CMedia& medium)
{
    auto* sample = dynamic_cast<CSamples*>(&medium);
    if (sample == nullptr || !doc_ || shutDown_) {
        return;
    }
    for (CWaveEditWnd* editor : findChildren<CWaveEditWnd*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (&editor->Sample() == sample) {
            editor->show();
            editor->raise();
            editor->activateWindow();
            return;
        }
    }
    auto* editor = new CWaveEditWnd(*doc_, *scheduler_, *sample, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
}

void CMainFrame::CloseWaveEditors(bool all)
{
    for (CWaveEditWnd* editor : findChildren<CWaveEditWnd*>(QString(), Qt::FindDirectChildrenOnly)) {
        bool inSong = false;
        for (int i = 0; !all && doc_ && i < doc_->MediaCount(); ++i) {
            inSong = inSong || doc_->MediumAt(i) == &editor->Sample();
        }
        if (!inSong) {
            delete editor;  // at once: its sample may be gone by the next event
        }
    }
}

}  // namespace tessaron
