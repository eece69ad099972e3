#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "song/CRenderVoice.h"

namespace tessaron {

class CAction;
class CChordwayDoc;
class CScheduler;
class IProgress;

// "Create Wave": replays the song's events offline, one output frame at a time, and mixes the
// sample media into a 16-bit WAV file at 44100 Hz.
class CSongRenderer {
public:
    // Mix resolutions of the "Resolution Mix" choice and their divisors.
    static constexpr int kResolutionBits[4] = {16, 17, 18, 20};
    static constexpr int kDefaultBits = 17;
    static double ScaleForBits(int bits);

    CSongRenderer(CChordwayDoc& doc, CScheduler& scheduler, IProgress* progress);
    ~CSongRenderer();

    // Renders up to `endMs` into `path`; false on failure or Cancel, leaving the path as it was.
    // A render that a WAV file cannot hold is refused before anything is written.
    bool Render(const std::string& path, int32_t endMs, bool mono, int bits = kDefaultBits);
    const std::string& Error() const { return error_; }
    // The sound bytes of a render up to `endMs`.
    static uint64_t RenderBytes(int32_t endMs, bool mono);

    // The default end of a render: the song length, as text in the song's display.
    static std::string DefaultEndText(const CChordwayDoc& doc);
    // Reads an end text: a one-based bar position, or a time "00:00:08.000" (a text with ':').
    static int32_t EndTextToMs(const CChordwayDoc& doc, const std::string& text);

private:
    bool RenderLoop(class CWaveReader& writer, int32_t endMs, bool mono, double scale, uint32_t totalBytes);
    void FireDue(int32_t t);
    CRenderVoice* VoiceOf(const CMedia* medium);
    void RemoveVoiceOf(const CMedia* medium);

    CChordwayDoc& doc_;
    CScheduler& scheduler_;
    IProgress* progress_;
    std::vector<std::unique_ptr<CRenderVoice>> voices_;
    std::string error_;
};

}  // namespace tessaron
