#include "audioout/CSoundBuffer.h"

#include "audioout/Gain.h"
#include "audioout/SoftwareMixer.h"

namespace tessaron {

std::unique_ptr<CSoundBuffer> CSoundBuffer::Create(std::shared_ptr<SoftwareMixer> mixer,
                                                   const SoundBufferDesc& desc,
                                                   std::shared_ptr<const SoundBlock> content)
{
    if (!mixer || !desc.format || !desc.format->IsPlayablePcm() ||
        (desc.flags & BufferCaps::Primary) != 0 || desc.bufferBytes < desc.format->blockAlign ||
        desc.bufferBytes < BufferLimits::SizeMin || desc.bufferBytes > BufferLimits::SizeMax) {
        return nullptr;
    }
    if (content && content->Size() != desc.bufferBytes) {
        return nullptr;
    }
    auto memory = content ? std::make_shared<SoundMemory>(*desc.format, std::move(content))
                          : std::make_shared<SoundMemory>(*desc.format, desc.bufferBytes);
    const int slot = mixer->AttachVoice(memory.get());
    if (slot < 0) {
        return nullptr;
    }
    return std::unique_ptr<CSoundBuffer>(
        new CSoundBuffer(std::move(mixer), std::move(memory), desc.flags, slot));
}

CSoundBuffer::CSoundBuffer(std::shared_ptr<SoftwareMixer> mixer,
                           std::shared_ptr<SoundMemory> memory, uint32_t flags, int slot)
    : mixer_(std::move(mixer)), memory_(std::move(memory)), flags_(flags),
      slot_(static_cast<uint32_t>(slot))
{
}

CSoundBuffer::~CSoundBuffer()
{
    mixer_->DetachVoice(static_cast<int>(slot_), std::move(memory_));
    mixer_->Collect();
}

std::unique_ptr<CSoundBuffer> CSoundBuffer::Duplicate() const
{
    const int slot = mixer_->AttachVoice(memory_.get());
    if (slot < 0) {
        return nullptr;
    }
    std::unique_ptr<CSoundBuffer> copy(new CSoundBuffer(mixer_, memory_, flags_, slot));
    std::lock_guard lock(mutex_);
    std::lock_guard copyLock(copy->mutex_);
    copy->volume_ = volume_;
    copy->pan_ = pan_;
    copy->frequency_ = frequency_;
    copy->SendGainLocked(volume_, pan_);
    MixerCommand frequency;
    frequency.kind = MixerCommand::Kind::SetFrequency;
    frequency.value = frequency_;
    copy->SendLocked(frequency);
    return copy;
}

bool CSoundBuffer::Applied() const
{
    return mixer_->Status(slot_).applied.load(std::memory_order_acquire) == sent_;
}

uint32_t CSoundBuffer::CursorLocked() const
{
    return Applied() ? mixer_->Status(slot_).cursorBytes.load(std::memory_order_relaxed)
                     : expectedCursor_;
}

uint32_t CSoundBuffer::FlagsLocked() const
{
    return Applied() ? mixer_->Status(slot_).flags.load(std::memory_order_relaxed)
                     : expectedFlags_;
}

bool CSoundBuffer::SendLocked(MixerCommand command)
{
    const uint32_t cursor = CursorLocked();
    const uint32_t flags = FlagsLocked();
    command.slot = slot_;
    command.sequence = sent_ + 1 < 2 ? 2 : sent_ + 1;  // 0 and 1 are never a command's number
    if (!mixer_->Send(command)) {
        return false;
    }
    sent_ = command.sequence;
    expectedCursor_ = cursor;
    expectedFlags_ = flags;
    return true;
}

bool CSoundBuffer::SendGainLocked(int32_t volume, int32_t pan)
{
    float left = 0.0f;
    float right = 0.0f;
    PanGains(pan, left, right);
    const float level = GainFromHundredthsDb(volume);
    MixerCommand command;
    command.kind = MixerCommand::Kind::SetGain;
    command.gainLeft = level * left;
    command.gainRight = level * right;
    return SendLocked(command);
}

bool CSoundBuffer::Lock(uint32_t offset, uint32_t bytes, LockedRegion& region, uint32_t flags)
{
    if ((flags & LockFlags::FromWriteCursor) != 0) {
        GetCurrentPosition(nullptr, &offset);
    }
    if ((flags & LockFlags::EntireBuffer) != 0) {
        bytes = memory_->Bytes();
    }
    return memory_->Lock(offset, bytes, region);
}

bool CSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1,
                        void** part2, uint32_t* bytes2, uint32_t flags)
{
    LockedRegion region;
    if (!part1 || !bytes1 || !Lock(offset, bytes, region, flags)) {
        return false;
    }
    *part1 = region.part1;
    *bytes1 = region.bytes1;
    if (part2) {
        *part2 = region.part2;
    }
    if (bytes2) {
        *bytes2 = region.bytes2;
    }
    return true;
}

bool CSoundBuffer::Unlock(const LockedRegion& region)
{
    std::shared_ptr<const SoundBlock> old;
    if (!memory_->Unlock(region.part1, old)) {
        return false;
    }
    mixer_->Retire(std::move(old));
    mixer_->Collect();
    return true;
}

bool CSoundBuffer::Replace(std::shared_ptr<const SoundBlock> block)
{
    std::shared_ptr<const SoundBlock> old;
    if (!memory_->Replace(std::move(block), old)) {
        return false;
    }
    mixer_->Retire(std::move(old));
    mixer_->Collect();
    return true;
}

bool CSoundBuffer::Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2)
{
    return Unlock(LockedRegion{part1, bytes1, part2, bytes2});
}

bool CSoundBuffer::Play(uint32_t flags)
{
    std::lock_guard lock(mutex_);
    MixerCommand command;
    command.kind = MixerCommand::Kind::Play;
    command.value = flags;
    if (memory_->Frames() == 0 || !SendLocked(command)) {
        return false;
    }
    expectedFlags_ = BufferStatus::Playing |
                     ((flags & PlayFlags::Looping) != 0 ? BufferStatus::Looping : 0);
    return true;
}

bool CSoundBuffer::Stop()
{
    std::lock_guard lock(mutex_);
    MixerCommand command;
    command.kind = MixerCommand::Kind::Stop;
    if (!SendLocked(command)) {
        return false;
    }
    expectedFlags_ = 0;
    return true;
}

uint32_t CSoundBuffer::GetStatus() const
{
    std::lock_guard lock(mutex_);
    return FlagsLocked();
}

bool CSoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const
{
    uint32_t cursor = 0;
    uint32_t frequency = 0;
    {
        std::lock_guard lock(mutex_);
        cursor = CursorLocked();
        frequency = frequency_ == 0 ? memory_->Format().samplesPerSec : frequency_;
    }
    if (play) {
        *play = cursor;
    }
    if (write) {
        // The mixer reads up to one block ahead, plus the interpolation's two frames.
        const uint32_t block = mixer_->BlockFrames() == 0 ? SoftwareMixer::kBusFrames
                                                          : mixer_->BlockFrames();
        const uint64_t frames =
            static_cast<uint64_t>(block) * frequency / mixer_->DeviceRate() + 3;
        const uint64_t ahead = frames * memory_->Format().blockAlign;
        *write = static_cast<uint32_t>((cursor + ahead) % memory_->Bytes());
    }
    return true;
}

bool CSoundBuffer::SetCurrentPosition(uint32_t bytes)
{
    if (bytes >= memory_->Bytes()) {
        return false;
    }
    const uint32_t frame = bytes / memory_->Format().blockAlign;
    std::lock_guard lock(mutex_);
    MixerCommand command;
    command.kind = MixerCommand::Kind::SetCursor;
    command.value = frame;
    if (!SendLocked(command)) {
        return false;
    }
    expectedCursor_ = frame * memory_->Format().blockAlign;
    return true;
}

bool CSoundBuffer::SetVolume(int32_t hundredthsDb)
{
    if ((flags_ & BufferCaps::CtrlVolume) == 0 || hundredthsDb < BufferLimits::VolumeMin ||
        hundredthsDb > BufferLimits::VolumeMax) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!SendGainLocked(hundredthsDb, pan_)) {
        return false;
    }
    volume_ = hundredthsDb;
    return true;
}

int32_t CSoundBuffer::GetVolume() const
{
    std::lock_guard lock(mutex_);
    return volume_;
}

bool CSoundBuffer::SetPan(int32_t hundredthsDb)
{
    if ((flags_ & BufferCaps::CtrlPan) == 0 || hundredthsDb < BufferLimits::PanLeft ||
        hundredthsDb > BufferLimits::PanRight) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!SendGainLocked(volume_, hundredthsDb)) {
        return false;
    }
    pan_ = hundredthsDb;
    return true;
}

int32_t CSoundBuffer::GetPan() const
{
    std::lock_guard lock(mutex_);
    return pan_;
}

bool CSoundBuffer::SetFrequency(uint32_t hertz)
{
    if ((flags_ & BufferCaps::CtrlFrequency) == 0 ||
        (hertz != BufferLimits::FrequencyOriginal &&
         (hertz < BufferLimits::FrequencyMin || hertz > BufferLimits::FrequencyMax))) {
        return false;
    }
    std::lock_guard lock(mutex_);
    MixerCommand command;
    command.kind = MixerCommand::Kind::SetFrequency;
    command.value = hertz;
    if (!SendLocked(command)) {
        return false;
    }
    frequency_ = hertz;
    return true;
}

uint32_t CSoundBuffer::GetFrequency() const
{
    std::lock_guard lock(mutex_);
    return frequency_ == 0 ? memory_->Format().samplesPerSec : frequency_;
}

float CSoundBuffer::TakePeak() const { return mixer_->TakePeak(slot_); }

}  // namespace tessaron
