#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

namespace tessaron::bench {

// Writes folder/click.wav, a 1 kHz square wave of `milliseconds` that is loud from its first
// frame, and folder/latency.tsn, a song of that one sample with its key set by `bind`. Onsets
// of such a sound are found within a few frames, which is what the latency benchmarks time.
template <typename Bind>
bool WriteClickSong(const std::string& folder, int milliseconds, Bind bind)
{
    const int frames = 44100 * milliseconds / 1000;
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const auto value = static_cast<int16_t>(i % 44 < 22 ? 16000 : -16000);
        pcm[2 * static_cast<size_t>(i)] = pcm[2 * static_cast<size_t>(i) + 1] = value;
    }
    const std::string wave = folder + "/click.wav";
    const auto bytes = static_cast<int32_t>(pcm.size() * sizeof(int16_t));
    CWaveReader writer;
    if (!writer.CreateForWrite(wave, CWaveReader::MakePcmFormat(false, 44100), bytes) ||
        writer.Write(reinterpret_cast<const uint8_t*>(pcm.data()), bytes) != bytes || !writer.FinishWrite()) {
        return false;
    }
    CChordwayDoc doc;
    auto sample = std::make_unique<CSamples>(wave, "click", 44100, milliseconds, "", "", 120.0f, 0, 0, 0);
    sample->dataSize = bytes;
    sample->endOffset = milliseconds;
    bind(*sample);
    doc.InsertMedium(0, std::move(sample));
    return CSongFile::Save(doc, folder + "/latency.tsn").ok();
}

}  // namespace tessaron::bench
