#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "audioout/CSoundDevice.h"
#include "cli/ArgumentChecks.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/OutputChoice.h"

namespace tessaron::cli {

namespace {

// One second of a sine holding a whole number of periods, so that looping it has no seam.
std::vector<int16_t> SineLoop(uint32_t rate, double frequency, double& played)
{
    const double periods = std::max(1.0, std::round(frequency));
    const auto frames = static_cast<uint32_t>(std::lround(periods * rate / frequency));
    played = periods * rate / frames;
    std::vector<int16_t> pcm(size_t(frames) * 2);
    const double pi = std::acos(-1.0);
    for (uint32_t f = 0; f < frames; ++f) {
        const auto v = static_cast<int16_t>(std::lround(16384.0 * std::sin(2 * pi * periods * f / frames)));
        pcm[2 * f] = v;
        pcm[2 * f + 1] = v;
    }
    return pcm;
}

}  // namespace

// Plays a sine on an output device so that a user can check it.
int RunTone(const Arguments& args)
{
    std::string wanted;
    double frequency = 440.0;
    double seconds = 2.0;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--device" && hasValue) {
            wanted = args[++i];
        } else if (args[i] == "--freq") {
            if (!hasValue || !ParseNumber(args[++i], frequency) || frequency < 20.0 || frequency > 20000.0) {
                return Refuse("--freq", "needs a frequency from 20 to 20000 Hz, in digits");
            }
        } else if (args[i] == "--seconds") {
            if (!hasValue || !ParseNumber(args[++i], seconds) || seconds <= 0.0 || seconds > 3600.0) {
                return Refuse("--seconds", "needs a duration above 0 and up to 3600 s, in digits");
            }
        } else {
            return Usage("tone [--device NAME] [--freq HZ] [--seconds S]");
        }
    }
    CSoundDevice device;
    std::string error;
    if (!OpenOutput(device, wanted, error)) {
        return Fail(wanted.empty() ? AudioApiName(device.Api()) : wanted, error);
    }
    double played = frequency;
    const std::vector<int16_t> pcm = SineLoop(device.Rate(), frequency, played);
    const WaveFormat format = WaveFormat::Pcm16(device.Rate(), 2);
    SoundBufferDesc desc;
    desc.flags = BufferCaps::Static | BufferCaps::CtrlVolume;
    desc.bufferBytes = static_cast<uint32_t>(pcm.size() * 2);
    desc.format = &format;
    auto buffer = device.CreateSecondary(desc);
    LockedRegion region;
    if (!buffer || !buffer->Lock(0, 0, region, LockFlags::EntireBuffer)) {
        return Fail(device.Name(), "no sound buffer");
    }
    std::memcpy(region.part1, pcm.data(), region.bytes1);
    buffer->Unlock(region);
    std::printf("playing %.1f Hz on %s (%s, %u Hz) for %g s\n", played, device.Name().c_str(),
                AudioApiName(device.Api()), device.Rate(), seconds);
    std::fflush(stdout);
    buffer->Play(PlayFlags::Looping);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    buffer->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the fade-out play
    return 0;
}

}  // namespace tessaron::cli
