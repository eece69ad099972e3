// The wave editor's commands of CSamples: effects and edits of the sample's sound.
#include <algorithm>

#include "effects/SampleEffect.h"
#include "media/CSamples.h"

namespace tessaron {

void CSamples::MarkEdited(bool changed)
{
    edited = 1;
    if (changed) {
        uncommitted = 1;
        // Length changes give the source a new buffer; the duplicates follow it.
        RemakeDuplicates();
    }
}

bool CSamples::ApplyEffect(int command, int p1, int p2, int, int start, int end)
{
    if (!sampleData_) {
        return false;
    }
    const int size = sampleData_->BufferSize();
    if (end == 0 || end > size) {
        end = size;
    }
    const bool ok = sampleData_->ApplyEffect(command - kFirstEffectCommand, p1, p2, start, end);
    edited = 1;
    uncommitted = 1;
    return ok;
}

bool CSamples::Silence(int start, int end)
{
    const bool ok = sampleData_ && sampleData_->Silence(start, end);
    if (ok) {
        edited = 1;
        uncommitted = 1;
    }
    return ok;
}

bool CSamples::Crop(int startMs, int endMs)
{
    if (!sampleData_ || startMs < 0 || endMs < startMs) {
        return false;
    }
    const int64_t rate = sampleData_->BytesPerSecond();
    const auto from = static_cast<int32_t>(int64_t{startMs} * rate / 1000);
    const auto to = static_cast<int32_t>(int64_t{endMs} * rate / 1000);
    if (!sampleData_->CropTo(from, to)) {
        return false;
    }
    if (savedStart == -1) {
        savedStart = startOffset;
        savedEnd = endOffset;
    }
    const int base = startOffset;
    startOffset = base + startMs;
    endOffset = base + endMs;
    MarkEdited(true);
    return true;
}

bool CSamples::Insert(int position, const uint8_t* block, int size)
{
    const bool ok = sampleData_ && sampleData_->InsertAt(position, block, size);
    if (ok) {
        MarkEdited(true);
    }
    return ok;
}

bool CSamples::Copy(uint8_t* destination, int start, int end) const
{
    return sampleData_ && sampleData_->CopyRange(destination, start, end);
}

bool CSamples::Cut(uint8_t* destination, int start, int end)
{
    if (!sampleData_ || (destination != nullptr && !sampleData_->CopyRange(destination, start, end)) ||
        !sampleData_->DeleteRange(start, end)) {
        return false;
    }
    MarkEdited(true);
    return true;
}

bool CSamples::ReplaceSound(const uint8_t* block, int size)
{
    if (!sampleData_) {
        return false;
    }
    const bool resized = size != sampleData_->BufferSize();
    if (!sampleData_->ReplaceSound(block, size)) {
        return false;
    }
    edited = 1;
    uncommitted = 1;
    if (resized) {
        RemakeDuplicates();
    }
    return true;
}

bool CSamples::Commit()
{
    if (!sampleData_ || !sampleData_->Commit()) {
        return false;
    }
    edited = 0;
    uncommitted = 0;
    savedStart = savedEnd = -1;
    return true;
}

bool CSamples::Revert()
{
    if (!sampleData_ || !sampleData_->Revert()) {
        return false;
    }
    if (savedStart != -1) {
        startOffset = savedStart;
        endOffset = savedEnd;
    }
    savedStart = savedEnd = -1;
    edited = 0;
    uncommitted = 0;
    RemakeDuplicates();
    return true;
}

bool CSamples::SaveSample(const std::string& path, int lengthMs, bool mono, std::string* error) const
{
    if (!sampleData_ && error != nullptr) {
        *error = "the sample holds no sound";
    }
    return sampleData_ && sampleData_->SaveSample(path, lengthMs, mono, error);
}

}  // namespace tessaron
