#include "midi/CMidiService.h"

#include <chrono>

#include "midi/CMidiPerformance.h"
#include "midi/IMidiInputTarget.h"
#include "midi/JackMidiPorts.h"
#include "midi/RtMidiPorts.h"

namespace tessaron {

namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kKeyPressure = 0xA0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kPitchBend = 0xE0;

}  // namespace

CMidiService::CMidiService(MidiApi api) : api_(api), performance_(std::make_shared<CMidiPerformance>()) {}

CMidiService::~CMidiService()
{
    if (ports_) {
        ports_->CloseInput();
    }
    stopRequest_.store(true);
    arrivedSignal_.release();
    if (inputThread_.joinable()) {
        inputThread_.join();
    }
    if (ports_) {
        ports_->CloseOutput();
    }
}

bool CMidiService::Create()
{
    if (ports_) {
        return true;
    }
    api_ = ResolveMidiApi(api_);
    if (api_ == MidiApi::Jack) {
        ports_ = JackMidiPorts::Connect();
        if (!ports_) {
            error_ = "no JACK server answers";
        }
    } else {
        ports_ = RtMidiPorts::Connect(error_);
    }
    if (!ports_) {
        return false;
    }
    inputThread_ = std::thread([this] { InputLoop(); });
    return true;
}

std::vector<std::string> CMidiService::InputPorts() const { return ports_ ? ports_->Sources() : std::vector<std::string>{}; }

std::vector<std::string> CMidiService::OutputPorts() const
{
    return ports_ ? ports_->Destinations() : std::vector<std::string>{};
}

std::string CMidiService::InputPortName() const { return ports_ ? ports_->InputName() : std::string(); }
std::string CMidiService::OutputPortName() const { return ports_ ? ports_->OutputName() : std::string(); }

bool CMidiService::OpenInput(const std::string& name)
{
    return ports_ && ports_->OpenInput(name, &CMidiService::OnInput_RT, this);
}

bool CMidiService::OpenOutput(const std::string& name) { return ports_ && ports_->OpenOutput(name); }

void CMidiService::CloseInput()
{
    if (ports_) {
        ports_->CloseInput();
    }
}

void CMidiService::CloseOutput()
{
    if (ports_) {
        ports_->CloseOutput();
    }
}

bool CMidiService::OutputOpen() const { return ports_ && ports_->OutputOpen(); }

bool CMidiService::Send(const uint8_t* bytes, size_t size) { return ports_ && ports_->Send(bytes, size); }

std::string CMidiService::ProblemText(std::string_view pattern, const std::string& name)
{
    std::string text(pattern);
    const size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, name);
    }
    return text;
}

void CMidiService::OnInput_RT(void* self, const uint8_t* bytes, size_t size, int64_t time)
{
    auto* service = static_cast<CMidiService*>(self);
    MidiShortMessage message;
    for (size_t i = 0; i < size && i < message.bytes.size(); ++i) {
        message.bytes[i] = bytes[i];
    }
    message.size = static_cast<uint8_t>(size);
    message.time = time;
    if (service->arrived_.Push(message)) {
        service->arrivedSignal_.release();
    } else {
        service->dropped_.fetch_add(1, std::memory_order_relaxed);
    }
}

void CMidiService::InputLoop()
{
    while (!stopRequest_.load()) {
        arrivedSignal_.acquire();
        MidiShortMessage message;
        while (!stopRequest_.load() && arrived_.Pop(message)) {
            Deliver(message.bytes.data(), message.size, message.time);
        }
    }
}

bool CMidiService::Passes(uint8_t status) const
{
    const int32_t channel = channel_.load();
    if (channel < kChannelOmni || channel > 17) {
        return false;  // "No" input, or a setting out of range
    }
    if (channel != kChannelOmni && (status & 0x0F) != channel - 2) {
        return false;
    }
    const uint8_t type = status & 0xF0;
    return type == kNoteOff || type == kNoteOn || type == kKeyPressure || type == kControlChange ||
           type == kPitchBend;
}

bool CMidiService::Deliver(const uint8_t* bytes, size_t size, int64_t time)
{
    if (size == 0 || (bytes[0] & 0x80) == 0 || !Passes(bytes[0])) {
        return false;
    }
    const uint8_t status = bytes[0];
    const uint8_t data1 = size > 1 ? bytes[1] : 0;
    const uint8_t data2 = size > 2 ? bytes[2] : 0;
    InputRecord& record = ring_[static_cast<size_t>(ringIndex_)];
    record = InputRecord{};
    record.time = time;
    record.packed = status + data1 * 256u + data2 * 65536u;
    record.type = status & 0xF0;
    record.channel = status & 0x0F;
    record.data1 = data1;
    record.data2 = data2;
    IMidiInputTarget* target = target_.load();
    if (target != nullptr && inputEnabled_.load()) {
        target->send(kInputMessage, ringIndex_, record.packed);
    }
    if (thru_.load()) {
        Send(bytes, size);
    }
    ringIndex_ = ringIndex_ + 1 < kRingSize ? ringIndex_ + 1 : 0;
    delivered_.fetch_add(1, std::memory_order_relaxed);
    return true;
}

}  // namespace tessaron
