#include "song/CCompanionLink.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "audiofile/CWaveReader.h"
#include "audiofile/FilePaths.h"
#include "media/CSamples.h"
#include "music/CMusicEngine.h"
#include "music/LinkRecords.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/MediumFromFile.h"

namespace tessaron {

namespace {

// Writes PCM as a WAV file through a temporary file beside it, so that a reader never sees
// half a file.
bool WriteWavFile(const std::string& path, const WaveFormat& format, const uint8_t* pcm, int32_t bytes)
{
    const std::string temporary = path + ".part";
    CWaveReader writer;
    CWaveFormat wave;
    wave.formatTag = 1;
    wave.channels = format.channels;
    wave.samplesPerSec = format.samplesPerSec;
    wave.avgBytesPerSec = format.avgBytesPerSec;
    wave.blockAlign = format.blockAlign;
    wave.bitsPerSample = format.bitsPerSample;
    const bool written = writer.CreateForWrite(temporary, wave, bytes) && writer.Write(pcm, bytes) == bytes &&
                         writer.FinishWrite();
    std::error_code error;
    if (written) {
        std::filesystem::rename(temporary, path, error);
        if (!error) {
            return true;
        }
    }
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace

static_assert(std::tuple_size_v<CSamples::HandedEnvelope> == link::kEnvelopeBlock);

CCompanionLink::Result CCompanionLink::Execute(uint32_t command, std::span<const uint8_t> record)
{
    if (command == link::kAddSample) {
        const auto decoded = link::DecodeAddSample(record);
        if (!decoded) {
            return Result::Refused;
        }
        AddSample(*decoded);
        return Result::Done;
    }
    if (command == link::kCutFrames) {
        const auto decoded = link::DecodeCutFrames(record);
        if (!decoded) {
            return Result::Refused;
        }
        CutFrames(*decoded);
        return Result::Done;
    }
    return Result::Refused;
}

bool CCompanionLink::SongTakes(int64_t bytes) const
{
    const CSettings& settings = doc_.Environment().settings;
    return bytes >= 0 && doc_.MediaCount() < settings.nbSamplesMax && bytes <= settings.sizeSamplesMax &&
           doc_.MemoryUsed() + bytes <= settings.memoryMax;
}

void CCompanionLink::Added(CMedia& medium)
{
    if (added_) {
        added_(medium);
    }
}

int CCompanionLink::AddSample(const link::AddSampleRecord& record)
{
    const CSettings settings = doc_.Environment().settings;
    if (!SongTakes(record.dataSize)) {
        return 0;
    }
    auto sample = std::make_unique<CSamples>();
    if (!sample->OpenForInfo(0, record.path)) {
        return 0;  // the companion's file cannot be read
    }
    sample->kind = CMedia::kKindSample;
    sample->name = record.name;
    sample->filePath = record.path;
    if (record.startOffset != 0) {
        sample->SetStartOffset(record.startOffset);
    }
    if (record.endOffset != 0) {
        sample->SetEndOffset(record.endOffset);
    }
    if (record.tempo != 0.0f && std::isfinite(record.tempo)) {
        sample->tempo = record.tempo;
        sample->effectiveTempo = record.tempo;
    }
    sample->beatCount = record.beats != 0 ? record.beats : 1;
    if (record.tempoPercent != 0.0 && std::isfinite(record.tempoPercent)) {
        // The medium keeps the percent and its tempo follows; the sound takes it on opening.
        sample->CMedia::SetTempoPercent(record.tempoPercent, true);
        sample->SetTempoPercent(record.tempoPercent, true);
    }
    // Latency compensation: the start moves on by the latency, in whole 4-byte steps.
    const int bytesPerSecond = sample->GetBytesPerSecond();
    if (settings.latency > 0 && bytesPerSecond > 0) {
        int64_t bytes = int64_t{settings.latency} * bytesPerSecond / 1000;
        bytes -= bytes % 4;
        sample->SetStartOffset(sample->startOffset + static_cast<int32_t>(bytes * 1000 / bytesPerSecond));
    }
    if (settings.autoLoop) {
        sample->SetLoop(true);
        sample->loopCount = settings.handOverLoopCount;
    } else if (record.loop != 0) {
        sample->SetLoop(true);
    }
    if (settings.autoSustain) {
        sample->flags |= CMedia::kFlagHold;
    }
    if (record.duration > 0) {
        sample->duration = record.duration;
    }
    // The envelope blocks belong to the companion: kept with the medium as they came.
    sample->SetHandedEnvelopes(record.envelope1, record.envelope2);
    CMedia* medium = nullptr;
    {
        std::lock_guard guard(doc_.Lock());
        const int place = doc_.MediaCount();
        doc_.SetMediumKey(*sample, place);
        sample->pcKey = KeyLabelOf(place % 48);
        // Levels from the record, or with AUTOVOL those of the piano key the medium now sits on.
        int32_t volume = record.volume;
        int32_t pan = record.pan;
        const bool fromPiano = settings.autoVol && keyLevels_ && keyLevels_(sample->midiNote, volume, pan);
        if (fromPiano || volume != 0) {
            sample->SetVolume(volume);
        }
        if (fromPiano || pan != 0) {
            sample->SetPan(pan);
        }
        medium = doc_.InsertMedium(place, std::move(sample));
    }
    Added(*medium);
    if (settings.autoPlay) {
        if (scheduler_ != nullptr) {
            scheduler_->Play(medium, medium->slot, 0);
        } else {
            std::lock_guard guard(doc_.Lock());
            if (doc_.LoadMediumData(*medium, true)) {
                medium->Play();
            }
        }
    }
    return 1;
}

int64_t CCompanionLink::FrameBytes(float tempo, int32_t beats, int32_t bytesPerSecond)
{
    if (!(tempo > 0.0f) || !std::isfinite(tempo) || beats <= 0 || bytesPerSecond <= 0) {
        return 0;
    }
    const double bytes = std::trunc(60.0 / tempo * beats * bytesPerSecond);
    if (bytes > double(CMediaReader::kMaxDataBytes)) {
        return 0;
    }
    const auto whole = static_cast<int64_t>(bytes);
    return whole - whole % 4;
}

int CCompanionLink::CutFrames(const link::CutFramesRecord& record)
{
    CMusicEngine engine(true);
    if (!engine.Open(record.path, nullptr, nullptr)) {
        return 0;
    }
    const int32_t bytesPerSecond = engine.BytesPerSecond();
    const int64_t frameBytes = FrameBytes(record.tempo, record.beatsPerFrame, bytesPerSecond);
    if (frameBytes < engine.BlockAlign() || !SongTakes(frameBytes)) {
        return 0;
    }
    const auto frameMs = static_cast<int32_t>(frameBytes * 1000 / bytesPerSecond);
    std::vector<uint8_t> frame(static_cast<size_t>(frameBytes));
    int32_t position = 0;
    if (record.startMs != 0) {
        if (!engine.Seek(record.startMs)) {
            return 0;
        }
        position = record.startMs;
    }
    const std::string title = GetFileTitle(record.path);
    const std::string folder = GetFolder(record.path);
    int added = 0;
    for (int32_t p = 0; p < record.frames && position < engine.LengthMs(); ++p) {
        if (!SongTakes(frameBytes)) {
            break;
        }
        const int32_t got = engine.Read(frame.data(), static_cast<int32_t>(frameBytes), false);
        if (got < frameBytes) {
            break;  // the file ends inside this frame: no short medium
        }
        auto sample = std::make_unique<CSamples>();
        sample->name = record.name + " p" + std::to_string(p);
        sample->filePath = folder + title + " p" + std::to_string(p) + ".wav";
        if (!WriteWavFile(sample->filePath, engine.Format(), frame.data(), got)) {
            break;
        }
        sample->SetFile(sample->filePath, sample->name, engine.SampleRate(), frameMs, 0);
        sample->dataSize = got;
        if (std::isfinite(record.tempo)) {
            sample->tempo = record.tempo;
            sample->effectiveTempo = record.tempo;
        }
        sample->beatCount = record.beatsPerFrame;
        if (std::isfinite(record.tempoPercent)) {
            sample->CMedia::SetTempoPercent(record.tempoPercent, true);
        }
        sample->SetExtraValue2(record.option);
        CMedia* medium = nullptr;
        {
            std::lock_guard guard(doc_.Lock());
            const int place = doc_.MediaCount();
            doc_.SetMediumKey(*sample, place);
            sample->pcKey = KeyLabelOf(place % 48);
            medium = doc_.InsertMedium(place, std::move(sample));
            doc_.LoadMediumData(*medium, false);
        }
        Added(*medium);
        ++added;
        position += frameMs;
    }
    return added;
}

}  // namespace tessaron
