#include "song/CSongRenderer.h"

#include <algorithm>
#include <cstdio>

#include "audiofile/CWaveReader.h"
#include "framework/IProgress.h"
#include "framework/TimeText.h"
#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"

namespace tessaron {

namespace {

constexpr int kRate = CRenderVoice::kOutputRate;
// Output frames gathered before each write; the file is the same whatever this is.
constexpr size_t kBlockFrames = 8192;

}  // namespace

double CSongRenderer::ScaleForBits(int bits)
{
    int divisor = 0x10000;
    switch (bits) {
    case 16: divisor = 0xF000; break;
    case 18: divisor = 0x30000; break;
    case 20: divisor = 0xF0000; break;
    default: break;
    }
    return 61440.0 / divisor;
}

CSongRenderer::CSongRenderer(CChordwayDoc& doc, CScheduler& scheduler, IProgress* progress)
    : doc_(doc), scheduler_(scheduler), progress_(progress)
{
}

CSongRenderer::~CSongRenderer() = default;

std::string CSongRenderer::DefaultEndText(const CChordwayDoc& doc)
{
    const CMesure end(doc.SongLength(), 0.0f, doc.BeatsPerBar());
    return doc.TimeDisplay() ? time_text::FromMs(end.ToMs(doc.EffectiveTempo())) : end.PositionText();
}

int32_t CSongRenderer::EndTextToMs(const CChordwayDoc& doc, const std::string& text)
{
    if (text.find(':') != std::string::npos) {
        return static_cast<int32_t>(std::clamp<int64_t>(time_text::ToMs(text), 0, INT32_MAX));
    }
    CMesure end;
    end.SetBeatsPerBar(doc.BeatsPerBar());
    end.ParsePosition(text, true);
    return std::max(0, end.ToMs(doc.EffectiveTempo()));
}

CRenderVoice* CSongRenderer::VoiceOf(const CMedia* medium)
{
    for (const auto& voice : voices_) {
        if (voice->Medium() == medium) {
            return voice.get();
        }
    }
    return nullptr;
}

void CSongRenderer::RemoveVoiceOf(const CMedia* medium)
{
    auto it = std::find_if(voices_.begin(), voices_.end(), [medium](const auto& v) { return v->Medium() == medium; });
    if (it != voices_.end()) {
        voices_.erase(it);
    }
}

void CSongRenderer::FireDue(int32_t t)
{
    CTransport& transport = doc_.Transport();
    const CTransport::Guard held = transport.Hold();
    auto& pending = transport.Pending(held);
    size_t i = 0;
    while (i < pending.size()) {
        CAction* action = pending[i].get();
        if (action->Code() == CAction::kDone) {
            ++i;
            continue;
        }
        if (action->Start() > t) {
            break;
        }
        CMedia* medium = action->Medium();
        bool reinsert = false;
        if (medium != nullptr && medium->kind == CMedia::kKindSample) {
            switch (action->Code()) {
            case CAction::kPlay:
                if (medium->loaded == 1 || doc_.LoadMediumData(*medium, false)) {
                    if (CRenderVoice::CanPlay(*medium)) {
                        voices_.push_back(std::make_unique<CRenderVoice>(*medium, action->Value1(), action->Value2()));
                        action->SetCode(CAction::kScheduledStop);
                        action->SetSongFlag(true);
                        action->SetStart(action->Start() + action->Duration());
                        reinsert = true;
                    }
                }
                break;
            case CAction::kStop:
                RemoveVoiceOf(medium);
                transport.MarkHoldsDone(held, medium, true);
                break;
            case CAction::kClose:
            case CAction::kScheduledStop: RemoveVoiceOf(medium); break;
            case CAction::kVolume:
                if (CRenderVoice* voice = VoiceOf(medium)) {
                    voice->SetVolume(action->Value1());
                }
                break;
            case CAction::kPan:
                if (CRenderVoice* voice = VoiceOf(medium)) {
                    voice->SetPan(action->Value1());
                }
                break;
            default: break;
            }
        }
        if (reinsert) {
            transport.Reinsert(held, i);
        } else {
            pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    transport.PurgeDone(held);
}

uint64_t CSongRenderer::RenderBytes(int32_t endMs, bool mono)
{
    const uint64_t frameSize = mono ? 2 : 4;
    return static_cast<uint64_t>(std::max(0, endMs)) * kRate / 1000 * frameSize;
}

bool CSongRenderer::Render(const std::string& path, int32_t endMs, bool mono, int bits)
{
    error_.clear();
    const uint64_t bytes = RenderBytes(endMs, mono);
    if (bytes > static_cast<uint64_t>(CWaveReader::MaxDataBytes())) {
        char size[32];
        std::snprintf(size, sizeof size, "%.1f GiB", static_cast<double>(bytes) / (1u << 30));
        error_ = "a render of " + time_text::FromMs(endMs) + " would make " + size +
                 " of sound, more than a WAV file can hold (4 GiB)";
        return false;
    }
    const auto totalBytes = static_cast<uint32_t>(bytes);

    // Nothing at the path changes until the whole render is written (see COutputFile).
    CWaveReader writer;
    if (!writer.CreateForWrite(path, CWaveReader::MakePcmFormat(mono, kRate), totalBytes)) {
        error_ = writer.WriteErrorText();
        return false;
    }

    scheduler_.StopSong();
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i)->loaded == 1) {
            doc_.MediumAt(i)->Stop();
        }
    }
    if (progress_ != nullptr) {
        progress_->begin("Write song in file", 0, endMs / 1000);
    }
    const bool ok = RenderLoop(writer, endMs, mono, ScaleForBits(bits), totalBytes);
    // A failed or cancelled render is abandoned: the path keeps what it held.
    const bool closed = ok && writer.Close(totalBytes);
    if (progress_ != nullptr) {
        progress_->end();
    }
    if (!ok || !closed) {
        if (error_.empty()) {
            error_ = writer.WriteErrorText();
        }
        writer.CloseFile();
        return false;
    }
    return true;
}

bool CSongRenderer::RenderLoop(CWaveReader& writer, int32_t endMs, bool mono, double scale, uint32_t totalBytes)
{
    const uint32_t frameSize = mono ? 2 : 4;
    const uint64_t totalFrames = totalBytes / frameSize;
    scheduler_.Schedule(0, true);
    voices_.clear();

    // The mix runs in blocks between the frames where an action may fire, voice by voice; each
    // output frame still gets exactly the values of a frame-by-frame mix.
    std::vector<int64_t> left(kBlockFrames);
    std::vector<int64_t> right(kBlockFrames);
    std::vector<int16_t> out(kBlockFrames * 2);
    const auto timeOf = [](uint64_t frame) { return static_cast<int32_t>(frame * 1000 / kRate); };
    // The first frame whose time reaches `ms`.
    const auto frameOf = [](int64_t ms) { return ms <= 0 ? uint64_t{0} : static_cast<uint64_t>((ms * kRate + 999) / 1000); };

    int32_t lastSecond = -1;
    uint64_t n = 0;
    while (n < totalFrames) {
        const int32_t t = timeOf(n);
        if (t > endMs) {
            break;
        }
        if (progress_ != nullptr && progress_->cancelled()) {
            error_ = "cancelled";
            return false;
        }
        if (t / 1000 != lastSecond) {
            lastSecond = t / 1000;
            if (progress_ != nullptr) {
                char message[48];
                std::snprintf(message, sizeof message, "Write %d seconds", lastSecond);
                progress_->setMessage(message);
                progress_->setPosition(lastSecond);
            }
        }
        FireDue(t);

        uint64_t end = std::min<uint64_t>(totalFrames, n + kBlockFrames);
        end = std::min(end, frameOf(int64_t{lastSecond + 1} * 1000));
        if (const int32_t next = doc_.Transport().NextStart(); next != INT32_MAX) {
            end = std::min(end, std::max(n + 1, frameOf(next)));
        }
        const size_t frames = static_cast<size_t>(end - n);
        std::fill_n(left.begin(), frames, 0);
        std::fill_n(right.begin(), frames, 0);
        for (const auto& voice : voices_) {
            voice->Mix(left.data(), right.data(), frames);
        }
        const auto clip = [scale](int64_t v) {
            const auto scaled = static_cast<int64_t>(static_cast<double>(v) * scale);
            return static_cast<int32_t>(std::clamp<int64_t>(scaled, -32767, 32767));
        };
        size_t samples = 0;
        for (size_t i = 0; i < frames; ++i) {
            const int32_t l = clip(left[i]);
            const int32_t r = clip(right[i]);
            if (mono) {
                out[samples++] = static_cast<int16_t>((l + r) / 2);
            } else {
                out[samples++] = static_cast<int16_t>(l);
                out[samples++] = static_cast<int16_t>(r);
            }
        }
        const auto bytes = static_cast<int32_t>(samples * sizeof(int16_t));
        if (writer.Write(out.data(), bytes) != bytes) {
            return false;
        }
        n = end;
    }
    voices_.clear();
    doc_.Transport().ClearPending();
    return true;
}

}  // namespace tessaron
