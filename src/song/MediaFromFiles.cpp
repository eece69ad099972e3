#include "song/MediaFromFiles.h"

#include <mutex>

#include "framework/INotice.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/MediumFromFile.h"

namespace tessaron {

std::vector<CMedia*> AddMediaFromFiles(CChordwayDoc& doc, const std::vector<std::string>& paths, int keyLabel,
                                       const std::function<void(CMedia&, size_t)>& place)
{
    std::vector<CMedia*> added;
    for (const std::string& path : paths) {
        if (doc.MediaCount() > doc.Environment().settings.nbSamplesMax) {
            if (INotice* notice = doc.Environment().notice) {
                notice->show(notice_text::kTooSamplesOpen, NoticeIcon::Exclamation);
            }
            break;
        }
        CMedia* medium = AddMediumFromFile(doc, path, doc.MediaCount(), keyLabel);
        if (medium == nullptr) {
            continue;
        }
        if (place) {
            std::lock_guard guard(doc.Lock());
            place(*medium, added.size());
        }
        added.push_back(medium);
    }
    if (!added.empty()) {
        doc.SetModified();
    }
    return added;
}

}  // namespace tessaron
