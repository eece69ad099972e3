#include "song/MediumFromFile.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "audiofile/FilePaths.h"
#include "audiofile/FileTypes.h"
#include "framework/INotice.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"

namespace tessaron {

namespace {

constexpr int64_t kSmallestFile = 400;
constexpr int kShortestSampleMs = 10;

// The decoder also reads these, which the older list of audio extensions does not name.
bool IsOtherDecodedAudio(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* extension : {".flac", ".ogg", ".oga", ".opus", ".aiff"}) {
        if (path.find(extension) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

int KeyLabelOf(int key)
{
    if (key < 10) {
        return 48 + key;
    }
    return key < 36 ? 55 + key : 77 + key;
}

CMedia* AddMediumFromFile(CChordwayDoc& doc, const std::string& path, int index, int key)
{
    const int64_t size = GetFileSize(path);
    if (size < kSmallestFile) {
        return nullptr;
    }
    std::unique_ptr<CMedia> medium;
    if (IsAudioFile(path) || IsOtherDecodedAudio(path)) {
        CMusic info;
        if (!info.OpenForInfo(0, path)) {
            return nullptr;
        }
        const CSettings& settings = doc.Environment().settings;
        if (info.duration <= kShortestSampleMs) {
            return nullptr;
        }
        if (info.dataSize <= settings.sizeSamplesMax) {
            if (doc.MediaCount() > settings.nbSamplesMax) {
                if (INotice* notice = doc.Environment().notice) {
                    notice->show(notice_text::kTooSamplesOpen, NoticeIcon::Exclamation);
                }
                return nullptr;
            }
            medium = std::make_unique<CSamples>(path, GetFileTitle(path), info.sampleRate, info.duration, "", "",
                                                0.0f, 0, 0, 0);
        } else {
            auto music = std::make_unique<CMusic>(path, GetFileTitle(path), info.sampleRate, info.duration, "", "",
                                                  0.0f, 0, 0, 0);
            music->formatInfo = info.formatInfo;
            medium = std::move(music);
        }
        medium->dataSize = info.dataSize;
    } else if (IsMidiFile(path)) {
        auto midi = std::make_unique<CMidiMedia>();
        if (!midi->OpenForInfo(0, path)) {
            return nullptr;
        }
        midi->SetFile(path, GetFileTitle(path), midi->sampleRate, midi->duration, 0);
        medium = std::move(midi);
    } else {
        return nullptr;
    }
    medium->startOffset = 0;
    medium->endOffset = medium->duration;
    medium->pcKey = KeyLabelOf(std::clamp(key, 0, 47));
    std::lock_guard guard(doc.Lock());
    return doc.InsertMedium(index, std::move(medium));
}

int ListDropFirstKey(const CChordwayDoc& doc)
{
    const int keys = 12 * std::max(1, doc.Environment().keyboardOctaves);
    return doc.MediaCount() % keys;
}

std::vector<CMedia*> AddMediaFromFiles(CChordwayDoc& doc, const std::vector<std::string>& paths, int firstKey,
                                       bool advanceKey)
{
    std::vector<CMedia*> added;
    int key = firstKey;
    for (const std::string& path : paths) {
        if (doc.MediaCount() > doc.Environment().settings.nbSamplesMax) {
            if (INotice* notice = doc.Environment().notice) {
                notice->show(notice_text::kTooSamplesOpen, NoticeIcon::Exclamation);
            }
            break;
        }
        CMedia* medium = AddMediumFromFile(doc, path, doc.MediaCount(), key);
        if (medium == nullptr) {
            continue;
        }
        {
            std::lock_guard guard(doc.Lock());
            doc.SetMediumKey(*medium, key);
        }
        added.push_back(medium);
        if (advanceKey) {
            ++key;
        }
    }
    if (!added.empty()) {
        if (IDocumentObserver* views = doc.Environment().views) {
            views->Notice(ListNotice::MediaChanged);
        }
    }
    return added;
}

}  // namespace tessaron
