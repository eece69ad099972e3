#include "audiofile/CWaveFormat.h"

#include <algorithm>

#include "audiofile/LittleEndian.h"

namespace tessaron {

CWaveFormat CWaveFormat::Pcm16(bool mono, uint32_t rate)
{
    CWaveFormat format;
    format.formatTag = static_cast<uint16_t>(WaveFormatTag::Pcm);
    format.channels = mono ? 1 : 2;
    format.samplesPerSec = rate;
    format.blockAlign = mono ? 2 : 4;
    format.avgBytesPerSec = rate * format.blockAlign;
    format.bitsPerSample = 16;
    return format;
}

CWaveFormat CWaveFormat::FromBasicBytes(std::span<const uint8_t> bytes)
{
    CWaveFormat format;
    format.formatTag = le::Get16(bytes.data());
    format.channels = le::Get16(bytes.data() + 2);
    format.samplesPerSec = le::Get32(bytes.data() + 4);
    format.avgBytesPerSec = le::Get32(bytes.data() + 8);
    format.blockAlign = le::Get16(bytes.data() + 12);
    format.bitsPerSample = le::Get16(bytes.data() + 14);
    return format;
}

std::vector<uint8_t> CWaveFormat::Bytes() const
{
    std::vector<uint8_t> bytes(kRecordSize + extra.size());
    le::Put16(bytes.data(), formatTag);
    le::Put16(bytes.data() + 2, channels);
    le::Put32(bytes.data() + 4, samplesPerSec);
    le::Put32(bytes.data() + 8, avgBytesPerSec);
    le::Put16(bytes.data() + 12, blockAlign);
    le::Put16(bytes.data() + 14, bitsPerSample);
    le::Put16(bytes.data() + 16, ExtraSize());
    std::copy(extra.begin(), extra.end(), bytes.begin() + kRecordSize);
    return bytes;
}

std::string CWaveFormat::FormatName() const
{
    switch (static_cast<WaveFormatTag>(formatTag)) {
    case WaveFormatTag::Pcm: return "PCM";
    case WaveFormatTag::MsAdpcm: return "MS ADPCM";
    case WaveFormatTag::ImaAdpcm: return "IMA ADPCM";
    }
    return "No compatible";
}

}  // namespace tessaron
