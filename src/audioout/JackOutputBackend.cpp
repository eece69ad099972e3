#include "audioout/JackOutputBackend.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "audioout/DeadlineTask.h"
#include "audioout/JackLibraryMessages.h"
#include "audioout/AudioApi.h"
#include "audioout/SoftwareMixer.h"
#include "audioout/StreamTarget.h"

namespace tessaron {

namespace {

// A lost server is waited for only briefly when its client is closed.
constexpr std::chrono::milliseconds kLostCloseLimit{200};

// A "device": another client's audio ports; its input ports are where our channels go.
struct JackDevice {
    std::string name;
    std::vector<std::string> inputs;
};

// The clients with audio ports, in the order the server lists their ports.
std::vector<JackDevice> ListJackDevices(jack_client_t* client)
{
    std::vector<JackDevice> devices;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, 0);
    if (ports == nullptr) {
        return devices;
    }
    for (const char** port = ports; *port != nullptr; ++port) {
        const std::string name(*port);
        const size_t colon = name.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const std::string owner = name.substr(0, colon);
        auto device = std::find_if(devices.begin(), devices.end(), [&](const JackDevice& d) { return d.name == owner; });
        if (device == devices.end()) {
            device = devices.insert(devices.end(), JackDevice{owner, {}});
        }
        const jack_port_t* handle = jack_port_by_name(client, *port);
        if (handle != nullptr && (jack_port_flags(handle) & JackPortIsInput) != 0) {
            device->inputs.push_back(name);
        }
    }
    jack_free(ports);
    return devices;
}

jack_client_t* OpenClient(const std::string& name)
{
    QuietJackLibrary();
    jack_status_t status{};
    return jack_client_open(name.c_str(), JackNoStartServer, &status);
}

}  // namespace

// The client and what its callbacks reach. Shared with calls that may outlive a deadline; a
// client whose server went away keeps it for good (keepAlive), as libjack keeps pointers to it.
struct JackOutputBackend::Stream {
    jack_client_t* client = nullptr;
    std::vector<jack_port_t*> ports;
    std::vector<float*> portBuffers;  // per cycle, sized at open: the callback never allocates
    std::vector<float> interleaved;   // one mixer bus of frames
    std::shared_ptr<StreamTarget> target = std::make_shared<StreamTarget>();
    JackOutputBackend* owner = nullptr;  // reached only between Enter_RT and Leave_RT
    std::atomic<bool> serverGone{false};
    std::shared_ptr<Stream> keepAlive;

    bool RegisterPorts(jack_client_t* opened, uint32_t channels)
    {
        for (uint32_t channel = 0; channel < channels; ++channel) {
            jack_port_t* port = jack_port_register(opened, PortName(channel).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                                   JackPortIsOutput, 0);
            if (port == nullptr) {
                return false;
            }
            ports.push_back(port);
        }
        portBuffers.assign(channels, nullptr);
        interleaved.assign(static_cast<size_t>(SoftwareMixer::kBusFrames) * channels, 0.0f);
        jack_set_process_callback(opened, &Stream::Process, this);
        jack_on_info_shutdown(opened, &Stream::OnShutdown, this);
        return true;
    }

    // Connects our ports in order to the device's inputs; a device with fewer takes fewer.
    void Connect(const std::string& device)
    {
        for (const JackDevice& found : ListJackDevices(client)) {
            if (found.name != device) {
                continue;
            }
            const size_t count = std::min(ports.size(), found.inputs.size());
            for (size_t i = 0; i < count; ++i) {
                jack_connect(client, jack_port_name(ports[i]), found.inputs[i].c_str());
            }
            return;
        }
    }

    void Close()
    {
        if (client != nullptr) {
            jack_deactivate(client);
            jack_client_close(client);
            client = nullptr;
        }
    }

    // Audio thread.
    static int Process(jack_nframes_t frames, void* self)
    {
        auto* stream = static_cast<Stream*>(self);
        StreamTarget& target = *stream->target;
        const size_t channels = stream->ports.size();
        for (size_t c = 0; c < channels; ++c) {
            stream->portBuffers[c] = static_cast<float*>(jack_port_get_buffer(stream->ports[c], frames));
        }
        if (!target.Enter_RT()) {
            for (float* buffer : stream->portBuffers) {
                std::fill_n(buffer, frames, 0.0f);
            }
            return 0;
        }
        for (jack_nframes_t done = 0; done < frames;) {
            const uint32_t piece = std::min<uint32_t>(frames - done, SoftwareMixer::kBusFrames);
            target.mixer->Render_RT(stream->interleaved.data(), piece, static_cast<uint32_t>(channels));
            for (size_t c = 0; c < channels; ++c) {
                float* out = stream->portBuffers[c] + done;
                const float* in = stream->interleaved.data() + c;
                for (uint32_t i = 0; i < piece; ++i) {
                    out[i] = in[i * channels];
                }
            }
            done += piece;
        }
        target.frames.fetch_add(frames, std::memory_order_relaxed);
        target.Leave_RT();
        return 0;
    }

    // A libjack thread, once the server has gone (or dropped the client).
    static void OnShutdown(jack_status_t, const char*, void* self)
    {
        auto* stream = static_cast<Stream*>(self);
        stream->serverGone.store(true);
        if (stream->target->Enter_RT()) {
            stream->owner->ReportLoss();
            stream->target->Leave_RT();
        }
    }
};

JackOutputBackend::JackOutputBackend(std::string clientName) : clientName_(std::move(clientName)) {}

JackOutputBackend::~JackOutputBackend() { Stop(); }

std::string JackOutputBackend::PortName(uint32_t channel) { return "outport " + std::to_string(channel); }

void JackOutputBackend::SetSilent() { problem_ = "the " + AudioServerText(AudioApi::Jack) + " does not answer"; }

std::vector<OutputDeviceInfo> JackOutputBackend::ListDevices()
{
    problem_.clear();
    // A JACK server refuses a client now and then while other clients come and go.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        struct Listing {
            bool connected = false;
            std::vector<OutputDeviceInfo> devices;
        };
        auto listing = std::make_shared<Listing>();
        const bool answered = RunWithin(kServerAnswerLimit, [listing, name = clientName_ + "-probe"] {
            jack_client_t* client = OpenClient(name);
            if (client == nullptr) {
                return;
            }
            const uint32_t rate = jack_get_sample_rate(client);
            for (const JackDevice& found : ListJackDevices(client)) {
                OutputDeviceInfo device;
                device.name = found.name;
                device.outputChannels = static_cast<uint32_t>(found.inputs.size());
                device.rates = {rate};
                device.preferredRate = rate;
                listing->devices.push_back(std::move(device));
            }
            if (!listing->devices.empty() && listing->devices.front().outputChannels > 0) {
                listing->devices.front().isDefault = true;
            }
            jack_client_close(client);
            listing->connected = true;
        });
        if (!answered) {
            SetSilent();
            return {};
        }
        if (listing->connected) {
            return std::move(listing->devices);
        }
    }
    return {};
}

// Opens the client and its ports with a deadline. A late open that finishes after the deadline
// closes what it opened: nobody waits for it any more.
JackOutputBackend::OpenResult JackOutputBackend::Open(uint32_t rate)
{
    struct Outcome {
        std::mutex mutex;
        bool abandoned = false;
        bool opened = false;
    };
    auto outcome = std::make_shared<Outcome>();
    auto stream = std::make_shared<Stream>();
    stream->owner = this;
    stream->target->mixer = mixer_;
    stream->target->channels = channels_;
    const bool answered = RunWithin(kServerAnswerLimit, [stream, outcome, rate, channels = channels_, name = clientName_] {
        jack_client_t* client = OpenClient(name);
        bool opened = false;
        if (client != nullptr) {
            opened = jack_get_sample_rate(client) == rate && stream->RegisterPorts(client, channels);
            if (!opened) {
                jack_client_close(client);
            }
        }
        std::lock_guard lock(outcome->mutex);
        if (opened && outcome->abandoned) {
            jack_client_close(client);
            opened = false;
        }
        if (opened) {
            stream->client = client;
        }
        outcome->opened = opened;
    });
    std::lock_guard lock(outcome->mutex);
    if (!answered) {
        outcome->abandoned = true;
        return OpenResult::Silent;
    }
    if (!outcome->opened) {
        return OpenResult::Refused;
    }
    stream_ = std::move(stream);
    return OpenResult::Opened;
}

// Starts the callbacks and connects the ports, with a deadline. When the server does not
// answer in time the stream is left to the late call, which closes it.
JackOutputBackend::OpenResult JackOutputBackend::Activate(const std::string& device)
{
    struct Outcome {
        std::mutex mutex;
        bool abandoned = false;
        bool activated = false;
    };
    auto outcome = std::make_shared<Outcome>();
    const bool answered = RunWithin(kServerAnswerLimit, [stream = stream_, outcome, device] {
        const bool activated = jack_activate(stream->client) == 0;
        if (activated) {
            stream->Connect(device);
        }
        std::lock_guard lock(outcome->mutex);
        outcome->activated = activated;
        if (outcome->abandoned) {
            stream->Close();
        }
    });
    std::lock_guard lock(outcome->mutex);
    if (!answered) {
        outcome->abandoned = true;
        return OpenResult::Silent;
    }
    return outcome->activated ? OpenResult::Opened : OpenResult::Refused;
}

bool JackOutputBackend::Start(unsigned, const OutputDeviceInfo& info, uint32_t rate, uint32_t channels,
                              SoftwareMixer& mixer)
{
    Stop();
    problem_.clear();
    if (info.outputChannels == 0 || channels == 0) {
        return false;
    }
    // The server's rate: JACK runs every client at it.
    const bool asked = std::find(info.rates.begin(), info.rates.end(), rate) != info.rates.end();
    const uint32_t run = asked ? rate : info.preferredRate;
    if (run == 0 || !mixer.SetDeviceRate(run)) {
        return false;
    }
    mixer_ = &mixer;
    channels_ = std::min(channels, info.outputChannels);
    lost_ = false;
    for (int attempt = 0;; ++attempt) {
        OpenResult opened = Open(run);
        if (opened == OpenResult::Opened) {
            mixer.StreamStarting();
            opened = Activate(info.name);
            if (opened == OpenResult::Opened) {
                break;
            }
            stream_->target->Detach();
            if (opened == OpenResult::Refused) {
                stream_->Close();
            }
            stream_.reset();
            mixer.StreamStopped();
        }
        if (opened == OpenResult::Silent) {
            SetSilent();
            mixer_ = nullptr;
            return false;
        }
        if (attempt == 2) {
            mixer_ = nullptr;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    rate_ = run;
    watch_.Begin(rate_, StreamWatch::Limits{}, stream_->target, [this] { ReportLoss(); });
    return true;
}

void JackOutputBackend::ReportLoss()
{
    if (!lost_.exchange(true, std::memory_order_acq_rel) && lossHandler_) {
        lossHandler_();
    }
}

void JackOutputBackend::Stop()
{
    watch_.End();
    if (!stream_) {
        return;
    }
    stream_->target->Detach();
    if (stream_->serverGone.load()) {
        // Closing a client whose server went away cancels libjack's thread that told us, while
        // it may still be running, which can end the program: the client is left behind.
        stream_->keepAlive = stream_;
    } else {
        // A server that stopped answering would hold the close for good: it runs on a thread
        // of its own, which owns the stream until it is closed.
        RunWithin(lost_ ? kLostCloseLimit : kServerAnswerLimit, [stream = stream_] { stream->Close(); });
    }
    stream_.reset();
    mixer_->StreamStopped();
    mixer_ = nullptr;
}

}  // namespace tessaron
