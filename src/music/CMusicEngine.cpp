#include "music/CMusicEngine.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "audiofile/FileTypes.h"
#include "audiofile/ReaderChoice.h"
#include "audioout/CSoundBuffer.h"
#include "audioout/CSoundDevice.h"
#include "framework/IMessageSink.h"
#include "music/OpticalDrive.h"

namespace tessaron {

namespace {

uint8_t SilenceByte(const WaveFormat& format) { return format.bitsPerSample == 8 ? 0x80 : 0x00; }

}  // namespace

CMusicEngine::CMusicEngine(bool analysisMode) : analysis_(analysisMode) {}

CMusicEngine::~CMusicEngine() { Close(); }

uint32_t CMusicEngine::BytesForMs(int ms) const
{
    int64_t bytes = int64_t{format_.avgBytesPerSec} * ms / 1000;
    bytes = std::min<int64_t>(bytes, dataSize_);
    bytes -= bytes % 4;
    if (format_.blockAlign > 0) {
        bytes -= bytes % format_.blockAlign;
    }
    return static_cast<uint32_t>(std::max<int64_t>(bytes, 0));
}

void CMusicEngine::LimitPeriod()
{
    periodMs_.store(std::max(10, std::min(periodMs_.load(), bufferMs_.load() / 5)));
}

bool CMusicEngine::OpenReader(const std::string& path)
{
    reader_.reset();
    if (networkStream_ || IsNetworkPath(path)) {
        return false;  // streams from the network are not read here
    }
    reader_ = OpenMediaForRead(path);
    if (!reader_) {
        return false;
    }
    const CWaveFormat& source = reader_->Format();
    format_ = WaveFormat::MakePcm(source.samplesPerSec, source.channels, source.bitsPerSample);
    if (!format_.IsPlayablePcm() && !analysis_) {
        reader_.reset();
        return false;
    }
    info_ = reader_->FormatInfo();
    mp3_ = IsMp3File(path);
    lengthMs_ = reader_->GetDuration();
    dataSize_ = reader_->GetDataSize();
    return true;
}

bool CMusicEngine::ReadHeader(const std::string& path)
{
    std::lock_guard guard(lock_);
    if (opened_) {
        return false;
    }
    const bool ok = OpenReader(path);
    if (ok) {
        SetEndOffset(endOffset_);
    }
    reader_.reset();  // what describes the file stays; the file is let go
    return ok;
}

bool CMusicEngine::Open(const std::string& path, CSoundDevice* device, const void* cookie)
{
    Close();
    std::lock_guard guard(lock_);
    ended_ = false;
    tailCount_ = 0;
    mainDevice_ = device;
    if ((device == nullptr && !analysis_) || !OpenReader(path)) {
        reader_.reset();
        ended_ = true;
        return false;
    }
    if (IsOnOpticalDrive(path)) {
        bufferMs_ = kOpticalBufferMs;
        periodMs_ = kOpticalPeriodMs;
    }
    LimitPeriod();
    bufferBytes_ = BytesForMs(bufferMs_);
    SetEndOffset(endOffset_);
    if (bufferBytes_ < format_.blockAlign) {
        reader_.reset();
        ended_ = true;
        return false;
    }
    const int32_t start = startPositionMs_ > 0 ? startPositionMs_.load() : startOffset_;
    if (analysis_) {
        reader_->SetBlockSize(static_cast<int32_t>(bufferBytes_));
        reader_->SetTempoPercent(tempoPercent_);
        if (start != 0 && !reader_->SeekMs(start)) {
            reader_.reset();
            ended_ = true;
            return false;
        }
        startPositionMs_ = start;
        positionBytes_ = 0;
        opened_ = true;
        cookie_ = cookie;
        return true;
    }
    if (!CreateBuffers(bufferBytes_)) {
        main_.reset();
        monitor_.reset();
        reader_.reset();
        ended_ = true;
        return false;
    }
    tailLength_ = bufferMs_ / periodMs_;
    if (start != 0 && !reader_->SeekMs(start)) {
        main_.reset();
        monitor_.reset();
        reader_.reset();
        ended_ = true;
        return false;
    }
    startPositionMs_ = start;
    positionBytes_ = 0;
    writeCursor_ = 0;
    primed_ = false;
    opened_ = true;
    cookie_ = cookie;
    if (tempoPercent_ != 0.0) {
        SetTempoPercent(tempoPercent_);
    }
    return true;
}

bool CMusicEngine::CreateBuffers(uint32_t bytes)
{
    SoundBufferDesc desc;
    desc.flags = kBufferFlags;
    desc.bufferBytes = bytes;
    desc.format = &format_;
    auto main = mainDevice_->CreateSecondary(desc);
    if (!main) {
        return false;
    }
    std::unique_ptr<CSoundBuffer> monitor;
    if (monitorDevice_ != nullptr) {
        monitor = monitorDevice_->CreateSecondary(desc);
        if (!monitor) {
            return false;
        }
    }
    ApplyControls(*main);
    if (monitor) {
        ApplyControls(*monitor);
    }
    scratch_.assign(bytes, 0);
    main_ = std::move(main);
    monitor_ = std::move(monitor);
    return true;
}

void CMusicEngine::ApplyControls(CSoundBuffer& buffer) const
{
    buffer.SetVolume(volume_);
    buffer.SetPan(pan_);
    buffer.SetFrequency(frequency_);
}

void CMusicEngine::Close()
{
    StopWorker();
    std::lock_guard guard(lock_);
    OnEachBuffer([](CSoundBuffer& buffer) { return buffer.Stop(); });
    main_.reset();
    monitor_.reset();
    reader_.reset();
    pending_.clear();
    pendingOffset_ = 0;
    scratch_.clear();
    scratch_.shrink_to_fit();
    opened_ = false;
    playing_ = 0;
    paused_ = 0;
    primed_ = false;
}

void CMusicEngine::SetStartOffset(int ms)
{
    std::lock_guard guard(lock_);
    startOffset_ = std::max(0, ms);
}

void CMusicEngine::SetEndOffset(int ms)
{
    std::lock_guard guard(lock_);
    endOffset_ = ms <= 0 || (lengthMs_ > 0 && ms > lengthMs_) ? lengthMs_ : ms;
}

uint32_t CMusicEngine::RangeEndBytes() const
{
    if (endOffset_ <= 0 || endOffset_ >= lengthMs_) {
        return static_cast<uint32_t>(dataSize_);
    }
    int64_t bytes = int64_t{format_.avgBytesPerSec} * endOffset_ / 1000;
    bytes -= bytes % format_.blockAlign;
    return static_cast<uint32_t>(std::min<int64_t>(bytes, dataSize_));
}

int32_t CMusicEngine::PositionMs() const
{
    const int64_t rate = format_.avgBytesPerSec;
    return startPositionMs_ + static_cast<int32_t>(rate > 0 ? int64_t{positionBytes_} * 1000 / rate : 0);
}

int32_t CMusicEngine::PlayedPositionMs() const { return std::max(0, PositionMs() - bufferMs_.load()); }

int CMusicEngine::GetLoopPoints(int& start, int& end) const
{
    start = startOffset_;
    end = endOffset_;
    return opened_ ? 1 : 0;
}

std::string CMusicEngine::FormatText() const
{
    return std::to_string(format_.bitsPerSample) + "bits " + std::to_string(format_.samplesPerSec) +
           (format_.channels == 1 ? " mono" : " stereo");
}

// Settings.

bool CMusicEngine::SetTempoPercent(double percent)
{
    std::lock_guard guard(lock_);
    tempoPercent_ = percent;
    if (analysis_) {
        if (reader_) {
            reader_->SetTempoPercent(percent);
        }
        return true;
    }
    if (format_.samplesPerSec == 0) {
        return true;  // applied when the file is opened
    }
    const double hertz = std::trunc(format_.samplesPerSec * (1.0 + percent / 100.0));
    if (percent == 0.0) {
        return SetFrequency(format_.samplesPerSec);
    }
    if (hertz < 100.0 || hertz > 100000.0) {
        return false;
    }
    return SetFrequency(static_cast<uint32_t>(hertz));
}

bool CMusicEngine::SetFrequency(uint32_t hertz)
{
    if (hertz != 0 && (hertz < 100 || hertz > 100000)) {
        return false;
    }
    std::lock_guard guard(lock_);
    frequency_ = hertz;
    return OnEachBuffer([hertz](CSoundBuffer& buffer) { return buffer.SetFrequency(hertz); });
}

uint32_t CMusicEngine::Frequency() const
{
    return frequency_ == 0 ? format_.samplesPerSec : frequency_;
}

bool CMusicEngine::SetGainDb(int db)
{
    std::lock_guard guard(lock_);
    return processor_.SetGainDb(db);
}

void CMusicEngine::SetEqualiser(bool on, int gain1, int, int gain2, int, int gain3, int)
{
    // Every band runs with its fixed coefficients whatever design comes with it.
    std::lock_guard guard(lock_);
    processor_.SetEqualiser(on, gain1, gain2, gain3);
}

void CMusicEngine::SetEqualiserOn(bool on)
{
    std::lock_guard guard(lock_);
    processor_.SetEqualiserOn(on);
}

void CMusicEngine::SetEffect(bool first, int design1, bool second, int design2, bool third, int design3)
{
    std::lock_guard guard(lock_);
    processor_.SetEffect(first, design1, second, design2, third, design3);
}

bool CMusicEngine::SetChannelMode(int mode)
{
    std::lock_guard guard(lock_);
    return processor_.SetChannelMode(mode);
}

void CMusicEngine::SetBypass(bool on)
{
    std::lock_guard guard(lock_);
    processor_.SetBypass(on);
}

bool CMusicEngine::SetVolume(int32_t hundredthsDb)
{
    if (hundredthsDb < -10000 || hundredthsDb > 0) {
        return false;
    }
    std::lock_guard guard(lock_);
    volume_ = hundredthsDb;
    return OnEachBuffer([hundredthsDb](CSoundBuffer& buffer) { return buffer.SetVolume(hundredthsDb); });
}

bool CMusicEngine::SetPan(int32_t hundredthsDb)
{
    if (hundredthsDb < -10000 || hundredthsDb > 10000) {
        return false;
    }
    std::lock_guard guard(lock_);
    pan_ = hundredthsDb;
    return OnEachBuffer([hundredthsDb](CSoundBuffer& buffer) { return buffer.SetPan(hundredthsDb); });
}

bool CMusicEngine::SetBufferLength(int ms)
{
    if (ms < kMinBufferMs || ms > kMaxBufferMs) {
        return false;
    }
    std::lock_guard guard(lock_);
    if (ms == bufferMs_) {
        return true;
    }
    const int oldMs = bufferMs_;
    bufferMs_ = ms;
    LimitPeriod();
    if (!main_) {
        return true;  // taken at the next Open
    }
    const uint32_t newBytes = BytesForMs(ms);
    if (newBytes < format_.blockAlign) {
        bufferMs_ = oldMs;
        return false;
    }
    // The sound still waiting between the play cursor and the write cursor.
    const uint32_t oldBytes = bufferBytes_;
    uint32_t play = 0;
    main_->GetCurrentPosition(&play, nullptr);
    std::vector<uint8_t> waiting;
    if (primed_ || playing_) {
        uint32_t count = (writeCursor_ + oldBytes - play) % oldBytes;
        if (count == 0 && tailCount_ == 0) {
            count = oldBytes;  // a full buffer
        }
        LockedRegion region;
        if (count > 0 && main_->Lock(play, count, region)) {
            waiting.assign(static_cast<uint8_t*>(region.part1), static_cast<uint8_t*>(region.part1) + region.bytes1);
            if (region.part2) {
                waiting.insert(waiting.end(), static_cast<uint8_t*>(region.part2),
                               static_cast<uint8_t*>(region.part2) + region.bytes2);
            }
            main_->Unlock(region);
        }
    }
    const bool wasPlaying = playing_ && !paused_;
    auto oldMain = std::move(main_);
    auto oldMonitor = std::move(monitor_);
    if (!CreateBuffers(newBytes)) {
        main_ = std::move(oldMain);
        monitor_ = std::move(oldMonitor);
        scratch_.assign(oldBytes, 0);
        bufferMs_ = oldMs;
        return false;
    }
    bufferBytes_ = newBytes;
    tailLength_ = bufferMs_ / periodMs_;
    // What does not fit the new buffer waits in front of the reader's data.
    const uint32_t kept = std::min<uint32_t>(static_cast<uint32_t>(waiting.size()), newBytes);
    if (kept < waiting.size()) {
        pending_.emplace_front(waiting.begin() + kept, waiting.end());
        pendingOffset_ = 0;
    }
    if (kept > 0) {
        WriteToBuffers(0, waiting.data(), kept);
    }
    writeCursor_ = kept % newBytes;
    if (oldMain) {
        oldMain->Stop();
    }
    if (oldMonitor) {
        oldMonitor->Stop();
    }
    if (wasPlaying) {
        if (kept < newBytes) {
            FillLocked();
        }
        main_->Play(PlayFlags::Looping);
        if (monitor_) {
            monitor_->Play(PlayFlags::Looping);
        }
    } else {
        primed_ = primed_ && kept == newBytes;
    }
    return true;
}

// Playing.

void CMusicEngine::RewindLocked()
{
    pending_.clear();
    pendingOffset_ = 0;
    tailCount_ = 0;
    ended_ = false;
    primed_ = false;
    if (reader_) {
        reader_->SeekMs(startOffset_);
    }
    startPositionMs_ = startOffset_;
    positionBytes_ = 0;
    positionChanged_.exchange(1);
}

bool CMusicEngine::RestartLocked()
{
    if (!reader_ || !reader_->SeekMs(startOffset_)) {
        return false;
    }
    startPositionMs_ = startOffset_;
    positionBytes_ = 0;
    return true;
}

bool CMusicEngine::WriteToBuffers(uint32_t offset, const uint8_t* data, uint32_t bytes)
{
    for (CSoundBuffer* buffer : {main_.get(), monitor_.get()}) {
        if (buffer == nullptr) {
            continue;
        }
        LockedRegion region;
        if (!buffer->Lock(offset, bytes, region)) {
            return false;
        }
        std::memcpy(region.part1, data, region.bytes1);
        if (region.part2) {
            std::memcpy(region.part2, data + region.bytes1, region.bytes2);
        }
        if (!buffer->Unlock(region)) {
            return false;
        }
    }
    return true;
}

bool CMusicEngine::PrimeLocked()
{
    if (!opened_ || analysis_ || !main_) {
        return false;
    }
    if (ended_ || tailCount_ > 0 || (reader_ && reader_->AtEnd() && pending_.empty())) {
        RewindLocked();
    }
    if (primed_) {
        return true;
    }
    const uint32_t bytes = bufferBytes_;
    FillRegion(scratch_.data(), bytes);
    main_->Stop();
    main_->SetCurrentPosition(0);
    if (monitor_) {
        monitor_->Stop();
        monitor_->SetCurrentPosition(0);
    }
    if (!WriteToBuffers(0, scratch_.data(), bytes)) {
        return false;
    }
    writeCursor_ = 0;
    primed_ = true;
    positionChanged_.exchange(1);
    return true;
}

bool CMusicEngine::Prepare()
{
    std::lock_guard guard(lock_);
    if (playing_) {
        return true;
    }
    return PrimeLocked();
}

bool CMusicEngine::Start()
{
    if (!opened_ || analysis_) {
        return false;
    }
    if (playing_ && workerRunning_) {
        if (paused_) {
            Pause(false);
        }
        return true;
    }
    StopWorker();
    {
        std::lock_guard guard(lock_);
        if (!main_ || !PrimeLocked()) {
            return false;
        }
        primed_ = false;  // from now on the worker keeps the buffer full
        if (!main_->Play(PlayFlags::Looping)) {
            return false;
        }
        if (monitor_) {
            monitor_->Play(PlayFlags::Looping);
        }
        paused_.exchange(0);
        playing_.exchange(1);
    }
    stopRequest_.exchange(0);
    workerRunning_ = true;
    worker_ = std::thread([this] { WorkerLoop(); });
    return true;
}

void CMusicEngine::Stop()
{
    StopWorker();
    std::lock_guard guard(lock_);
    OnEachBuffer([](CSoundBuffer& buffer) { return buffer.Stop(); });
    playing_.exchange(0);
    paused_.exchange(0);
    if (opened_ && !analysis_) {
        RewindLocked();
    }
}

bool CMusicEngine::Pause(bool on)
{
    std::lock_guard guard(lock_);
    if (!playing_ || !main_) {
        return false;
    }
    paused_.exchange(on ? 1 : 0);
    if (on) {
        main_->Stop();
        if (monitor_) {
            monitor_->Stop();
        }
    } else {
        main_->Play(PlayFlags::Looping);
        if (monitor_) {
            monitor_->Play(PlayFlags::Looping);
        }
    }
    return true;
}

bool CMusicEngine::Seek(int32_t ms)
{
    if (ended_ || !opened_ || ms < 0 || ms > lengthMs_) {
        return false;
    }
    const int wasPaused = paused_.exchange(1);
    bool ok = false;
    {
        std::lock_guard guard(lock_);
        if (reader_ && reader_->SeekMs(ms)) {
            ok = true;
            pending_.clear();
            pendingOffset_ = 0;
            tailCount_ = 0;
            startPositionMs_ = ms;
            positionBytes_ = 0;
            positionChanged_.exchange(1);
            primed_ = false;
            if (playing_ && main_) {
                // The buffered sound of the old place is overwritten from the first byte that
                // the output has not taken yet, so the new place sounds at once.
                uint32_t write = 0;
                main_->GetCurrentPosition(nullptr, &write);
                writeCursor_ = write - write % format_.blockAlign;
                FillLocked();
            }
        }
    }
    paused_.exchange(wasPaused);
    return ok;
}

int32_t CMusicEngine::Read(void* destination, int32_t bytes, bool skip)
{
    std::lock_guard guard(lock_);
    if (!reader_ || !analysis_ || destination == nullptr || bytes <= 0 || format_.blockAlign == 0) {
        return 0;
    }
    if (skip) {
        std::vector<uint8_t> skipped(static_cast<size_t>(kSkipFrames) * format_.blockAlign);
        const int32_t thrown = reader_->Read(skipped.data(), static_cast<int32_t>(skipped.size()));
        positionBytes_ += std::max(0, thrown);
    }
    const int32_t wanted = bytes - bytes % format_.blockAlign;
    const int32_t got = std::max(0, reader_->Read(destination, wanted));
    positionBytes_ += got;
    return got;
}

// The worker.

void CMusicEngine::StopWorker()
{
    stopRequest_.exchange(1);
    {
        std::lock_guard wakeGuard(wakeMutex_);
        wake_.notify_all();
    }
    if (worker_.joinable()) {
        // The worker sleeps on the wake-up, so it ends within one fill; a thread is never
        // killed, since that would leave the lock and the reader in an unknown state.
        worker_.join();
    }
}

void CMusicEngine::WorkerLoop()
{
    // Ahead of ordinary work, as decoding falls behind otherwise; refused quietly without rights.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), -5);
    while (stopRequest_.load() == 0 && !ended_) {
        if (playing_ && !paused_) {
            std::lock_guard guard(lock_);
            if (!FillLocked()) {
                EndPlaybackLocked();
            }
        }
        std::unique_lock wakeGuard(wakeMutex_);
        wake_.wait_for(wakeGuard, std::chrono::milliseconds(periodMs_.load()),
                       [this] { return stopRequest_.load() != 0; });
    }
    stopRequest_.exchange(1);
    workerRunning_ = false;
}

uint32_t CMusicEngine::FillRegion(uint8_t* destination, uint32_t bytes)
{
    const uint8_t silence = SilenceByte(format_);
    if (tailCount_ > 0 || !reader_) {
        std::memset(destination, silence, bytes);
        silenceWritten_ += bytes;
        return 0;
    }
    uint32_t got = 0;
    while (got < bytes && !pending_.empty()) {
        const auto& block = pending_.front();
        const size_t n = std::min<size_t>(bytes - got, block.size() - pendingOffset_);
        std::memcpy(destination + got, block.data() + pendingOffset_, n);
        got += static_cast<uint32_t>(n);
        pendingOffset_ += n;
        if (pendingOffset_ >= block.size()) {
            pending_.pop_front();
            pendingOffset_ = 0;
        }
    }
    uint32_t processedFrom = got;  // carried sound was processed before
    int emptyRestarts = 0;
    while (got < bytes) {
        const uint32_t end = RangeEndBytes();
        const auto at = static_cast<uint32_t>(std::max(0, reader_->ReadPos()));
        uint32_t want = std::min(bytes - got, end > at ? end - at : 0u);
        want -= want % format_.blockAlign;
        const int32_t read = want > 0 && !reader_->AtEnd() ? reader_->Read(destination + got, static_cast<int32_t>(want)) : 0;
        const uint32_t delivered = static_cast<uint32_t>(std::max(0, read));
        got += delivered;
        positionBytes_ += static_cast<int32_t>(delivered);
        if (got >= bytes) {
            break;
        }
        // The range has run out: from its start again, or silence and the tail.
        emptyRestarts = delivered == 0 ? emptyRestarts + 1 : 0;
        if (loop_ && emptyRestarts < 2) {
            processor_.Process(destination + processedFrom, got - processedFrom, format_.bitsPerSample, format_.channels);
            processedFrom = got;
            if (RestartLocked()) {
                continue;
            }
        }
        std::memset(destination + got, silence, bytes - got);
        tailCount_ = tailLength_ + 1;
        silenceWritten_ = bytes - got;
        break;
    }
    processor_.Process(destination + processedFrom, got - processedFrom, format_.bitsPerSample, format_.channels);
    return got;
}

bool CMusicEngine::FillLocked()
{
    if (!opened_ || analysis_ || ended_ || !main_) {
        return true;
    }
    const uint32_t bytes = bufferBytes_;
    if (tailCount_ == 0 && pending_.empty() && reader_ && reader_->AtEnd()) {
        if (loop_) {
            RestartLocked();
        } else {
            // The file ended on a fill's last byte: the buffered sound still plays out.
            tailCount_ = tailLength_ + 1;
            silenceWritten_ = 0;
        }
    }
    uint32_t play = 0;
    if (!main_->GetCurrentPosition(&play, nullptr)) {
        ended_ = true;
        return false;
    }
    if (monitor_) {
        uint32_t monitorPlay = 0;
        if (monitor_->GetCurrentPosition(&monitorPlay, nullptr)) {
            const uint32_t ahead = (monitorPlay + bytes - play) % bytes;
            const uint32_t behind = (play + bytes - monitorPlay) % bytes;
            if ((ahead > 0 && ahead < bytes / 2) || behind > bytes / 20) {
                monitor_->SetCurrentPosition(play);
            }
        }
    }
    uint32_t free = play >= writeCursor_ ? play - writeCursor_ : bytes - writeCursor_ + play;
    free -= free % format_.blockAlign;
    if (free > 0) {
        FillRegion(scratch_.data(), free);
        if (!WriteToBuffers(writeCursor_, scratch_.data(), free)) {
            return false;
        }
        writeCursor_ = (writeCursor_ + free) % bytes;
        positionChanged_.exchange(1);
    }
    if (tailCount_ > 0) {
        if (tailCount_ >= 2) {
            --tailCount_;
        }
        // The count alone would stop the buffer up to a period before its last sound has been
        // heard (and more when it plays slower): it ends once only silence is left in it.
        if (tailCount_ < 2 && silenceWritten_ >= bytes) {
            EndPlaybackLocked();
        }
    }
    return true;
}

void CMusicEngine::EndPlaybackLocked()
{
    OnEachBuffer([](CSoundBuffer& buffer) { return buffer.Stop(); });
    playing_.exchange(0);
    paused_.exchange(0);
    tailCount_ = 0;
    ended_ = true;
    if (mainDevice_ != nullptr && mainDevice_->MessageSink() != nullptr) {
        mainDevice_->MessageSink()->post(kEndMessage, 0, reinterpret_cast<intptr_t>(cookie_));
    }
}

float CMusicEngine::TakePeak()
{
    std::lock_guard guard(lock_);
    return main_ ? main_->TakePeak() : 0.0f;
}

}  // namespace tessaron
