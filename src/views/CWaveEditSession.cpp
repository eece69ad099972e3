#include "views/CWaveEditSession.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CSettings.h"

namespace tessaron {

namespace {

// The edit primitives work on positions rounded down to a multiple of 4; sizes follow them.
int32_t Down4(int32_t position) { return position - position % 4; }

bool SamePath(const std::string& a, const std::string& b)
{
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error)) {
        return true;
    }
    return std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

}  // namespace

CWaveEditSession::EffectJob::EffectJob(std::vector<uint8_t> pcm, PcmFormat format, int offset,
                                       EffectParameters parameters, ByteRange range, const uint8_t* source)
    : pcm_(std::move(pcm)), source_(source)
{
    worker_ = std::thread([this, format, offset, parameters, range] {
        ok_ = ApplyEffectAtOffset(PcmView({pcm_.data(), pcm_.size()}, format), offset, parameters, range);
        done_.store(true, std::memory_order_release);
    });
}

CWaveEditSession::EffectJob::~EffectJob() { Wait(); }

void CWaveEditSession::EffectJob::Wait()
{
    if (worker_.joinable()) {
        worker_.join();
    }
}

CWaveEditSession::CWaveEditSession(CChordwayDoc& doc, CSamples& sample) : doc_(doc), sample_(sample) {}

int32_t CWaveEditSession::DataSize() const { return sample_.SampleData() ? sample_.GetDataSize() : 0; }

int32_t CWaveEditSession::BlockAlign() const { return std::max(1, sample_.GetBlockAlign()); }

int32_t CWaveEditSession::BytesPerSecond() const { return sample_.GetBytesPerSecond(); }

int32_t CWaveEditSession::BytesToMs(int64_t bytes) const
{
    const int64_t rate = BytesPerSecond();
    return rate > 0 ? static_cast<int32_t>(bytes * 1000 / rate) : 0;
}

void CWaveEditSession::Remember()
{
    Snapshot snapshot;
    const uint8_t* pcm = sample_.GetPcm();
    const int32_t size = DataSize();
    if (pcm != nullptr && size > 0) {
        snapshot.pcm.assign(pcm, pcm + size);
    }
    snapshot.startOffset = sample_.startOffset;
    snapshot.endOffset = sample_.endOffset;
    snapshot.savedStart = sample_.savedStart;
    snapshot.savedEnd = sample_.savedEnd;
    snapshot.edited = sample_.edited;
    snapshot.uncommitted = sample_.uncommitted;
    undoBytes_ += snapshot.pcm.size();
    undo_.push_back(std::move(snapshot));
    // The oldest snapshots go first when they would hold too much; the newest always stays.
    while (undo_.size() > 1 && undoBytes_ > kUndoBudget) {
        undoBytes_ -= undo_.front().pcm.size();
        undo_.pop_front();
    }
}

template <typename Edit>
bool CWaveEditSession::Edited(Edit edit)
{
    if (sample_.SampleData() == nullptr || sample_.GetPcm() == nullptr) {
        return false;
    }
    Remember();
    if (!edit()) {
        undoBytes_ -= undo_.back().pcm.size();
        Forget();
        return false;
    }
    return true;
}

bool CWaveEditSession::Crop(wave::ByteRange range)
{
    const int32_t startMs = BytesToMs(range.start);
    const int32_t endMs = BytesToMs(range.end);
    if (endMs - startMs < wave::kShortestCropMs) {
        return false;
    }
    return Edited([&] { return doc_.CropSample(sample_, startMs, endMs); });
}

bool CWaveEditSession::Silence(wave::ByteRange range)
{
    return Edited([&] { return doc_.ChangeSample(sample_, [&] { return sample_.Silence(range.start, range.end); }); });
}

bool CWaveEditSession::Cut(wave::ByteRange range)
{
    const int32_t size = Down4(range.end) - Down4(range.start);
    if (size <= 0) {
        return false;
    }
    // Cut into a block of our own first: a refused cut leaves the clipboard as it was.
    std::vector<uint8_t> block(static_cast<size_t>(size));
    if (!Edited([&] { return doc_.CutFromSample(sample_, block.data(), range.start, range.end); })) {
        return false;
    }
    return doc_.AllocateScratch(block.size()) && doc_.CopyToScratch(block.data(), block.size());
}

bool CWaveEditSession::Copy(wave::ByteRange range)
{
    const int32_t size = Down4(range.end) - Down4(range.start);
    if (size <= 0 || size > SampleSizeLimit() || sample_.SampleData() == nullptr) {
        return false;
    }
    std::vector<uint8_t> block(static_cast<size_t>(size));
    if (!sample_.Copy(block.data(), range.start, range.end)) {
        return false;
    }
    return doc_.AllocateScratch(block.size()) && doc_.CopyToScratch(block.data(), block.size());
}

bool CWaveEditSession::Paste(int32_t at)
{
    if (doc_.Scratch() == nullptr || doc_.ScratchSize() == 0) {
        return false;
    }
    return Edited([&] {
        return doc_.InsertIntoSample(sample_, at, doc_.Scratch(), static_cast<int>(doc_.ScratchSize()));
    });
}

bool CWaveEditSession::Effect(int command, EffectParameters parameters, wave::ByteRange range)
{
    return Edited([&] {
        return doc_.ChangeSample(sample_, [&] {
            return sample_.ApplyEffect(command, parameters.p1, parameters.p2, 0, range.start, range.end);
        });
    });
}

std::unique_ptr<CWaveEditSession::EffectJob> CWaveEditSession::StartEffect(int command, EffectParameters parameters,
                                                                           wave::ByteRange range)
{
    const CSampleData* data = sample_.SampleData();
    const uint8_t* pcm = sample_.GetPcm();
    const int32_t size = DataSize();
    if (data == nullptr || pcm == nullptr || size <= 0) {
        return nullptr;
    }
    const PcmFormat format{data->SampleRate(), data->Channels(), data->BitsPerSample()};
    return std::make_unique<EffectJob>(std::vector<uint8_t>(pcm, pcm + size), format, command - kFirstEffectCommand,
                                       parameters, ByteRange{range.start, range.end}, pcm);
}

bool CWaveEditSession::FinishEffect(EffectJob& job)
{
    job.Wait();
    // The sound may have been refitted or edited elsewhere while the job ran: its result
    // would undo that, so it is dropped.
    if (!job.ok_ || sample_.GetPcm() != job.source_ || static_cast<size_t>(DataSize()) != job.pcm_.size()) {
        return false;
    }
    return Edited([&] {
        return doc_.ChangeSample(sample_, [&] {
            return sample_.ReplaceSound(job.pcm_.data(), static_cast<int32_t>(job.pcm_.size()));
        });
    });
}

bool CWaveEditSession::Undo()
{
    if (undo_.empty() || sample_.SampleData() == nullptr) {
        return false;
    }
    Snapshot& last = undo_.back();
    if (last.pcm.empty() ||
        !doc_.ChangeSample(sample_, [&] {
            return sample_.ReplaceSound(last.pcm.data(), static_cast<int32_t>(last.pcm.size()));
        })) {
        return false;
    }
    sample_.startOffset = last.startOffset;
    sample_.endOffset = last.endOffset;
    sample_.savedStart = last.savedStart;
    sample_.savedEnd = last.savedEnd;
    sample_.edited = last.edited;
    sample_.uncommitted = last.uncommitted;
    undoBytes_ -= last.pcm.size();
    undo_.pop_back();
    return true;
}

bool CWaveEditSession::Save(const std::string& path, std::string* error)
{
    if (!sample_.SaveSample(path, sample_.GetDuration(), false, error)) {
        return false;
    }
    if (!SamePath(path, sample_.filePath)) {
        return true;
    }
    // The file now holds exactly this sound: the medium reads all of it from now on.
    doc_.ChangeSample(sample_, [&] { return sample_.Commit(); });
    sample_.startOffset = 0;
    sample_.endOffset = sample_.GetDuration();
    sample_.duration = sample_.GetDuration();
    sample_.dataSize = sample_.GetDataSize();
    undo_.clear();
    undoBytes_ = 0;
    return true;
}

}  // namespace tessaron
