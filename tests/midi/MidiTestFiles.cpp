#include "midi/MidiTestFiles.h"

#include <cmath>
#include <fstream>

namespace tessaron::test {

namespace {

void Put16(Bytes& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void PutBig32(Bytes& b, uint32_t v)
{
    for (int i = 3; i >= 0; --i) {
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

Bytes RiffChunk(const std::string& id, const Bytes& data)
{
    Bytes b(id.begin(), id.end());
    Put32(b, static_cast<uint32_t>(data.size()));
    Append(b, data);
    if (data.size() & 1) {
        b.push_back(0);
    }
    return b;
}

Bytes RiffList(const std::string& type, const std::vector<Bytes>& chunks)
{
    Bytes data(type.begin(), type.end());
    for (const Bytes& chunk : chunks) {
        Append(data, chunk);
    }
    return RiffChunk("LIST", data);
}

}  // namespace

Bytes VarLen(uint32_t value)
{
    Bytes out;
    out.push_back(static_cast<uint8_t>(value & 0x7F));
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    }
    return out;
}

Bytes Track(const std::vector<TrackEvent>& events, bool end)
{
    Bytes data;
    for (const TrackEvent& event : events) {
        Append(data, VarLen(event.delta));
        Append(data, event.bytes);
    }
    if (end) {
        Append(data, {0x00, 0xFF, 0x2F, 0x00});
    }
    Bytes chunk = {'M', 'T', 'r', 'k'};
    PutBig32(chunk, static_cast<uint32_t>(data.size()));
    Append(chunk, data);
    return chunk;
}

Bytes MidiFile(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks)
{
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    for (uint16_t v : {format, static_cast<uint16_t>(tracks.size()), division}) {
        file.push_back(static_cast<uint8_t>(v >> 8));
        file.push_back(static_cast<uint8_t>(v));
    }
    for (const Bytes& track : tracks) {
        Append(file, track);
    }
    return file;
}

Bytes TempoEvent(double bpm)
{
    const auto micros = static_cast<uint32_t>(std::lround(60000000.0 / bpm));
    return {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
            static_cast<uint8_t>(micros)};
}

Bytes OneNoteFile(int note, uint32_t ticks, double bpm, int program)
{
    const auto key = static_cast<uint8_t>(note);
    return MidiFile(0, 96,
                    {Track({{0, TempoEvent(bpm)},
                            {0, {0xC0, static_cast<uint8_t>(program)}},
                            {0, {0x90, key, 110}},
                            {ticks, {0x80, key, 0}}})});
}

Bytes SineDls(double frequency, int unityNote)
{
    // One second of a sine whose cycles fit the loop exactly when 44100 / frequency is whole.
    const uint32_t rate = 44100;
    const auto period = static_cast<uint32_t>(std::lround(rate / frequency));
    const uint32_t frames = period * static_cast<uint32_t>(rate / period);
    Bytes pcm;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = 0.6 * std::sin(2.0 * std::acos(-1.0) * static_cast<double>(i) / period);
        Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
    }
    Bytes fmt;
    Put16(fmt, 1);  // PCM
    Put16(fmt, 1);  // mono
    Put32(fmt, rate);
    Put32(fmt, rate * 2);
    Put16(fmt, 2);
    Put16(fmt, 16);
    Bytes wsmp;
    Put32(wsmp, 20);  // size of the fixed part
    Put16(wsmp, static_cast<uint16_t>(unityNote));
    Put16(wsmp, 0);  // fine tune
    Put32(wsmp, 0);  // attenuation
    Put32(wsmp, 0);  // options
    Put32(wsmp, 1);  // one loop
    Put32(wsmp, 16);
    Put32(wsmp, 0);  // forward loop
    Put32(wsmp, 0);  // start
    Put32(wsmp, frames);
    Bytes rgnh;
    for (uint16_t v : {0, 127, 0, 127, 0, 0}) {  // keys, velocities, options, key group
        Put16(rgnh, v);
    }
    Bytes wlnk;
    Put16(wlnk, 0);
    Put16(wlnk, 0);
    Put32(wlnk, 1);  // left channel
    Put32(wlnk, 0);  // the first wave of the pool
    Bytes insh;
    Put32(insh, 1);  // regions
    Put32(insh, 0);  // bank 0
    Put32(insh, 0);  // program 0
    Bytes colh;
    Put32(colh, 1);
    Bytes ptbl;
    Put32(ptbl, 8);
    Put32(ptbl, 1);
    Put32(ptbl, 0);  // the wave sits at the start of the pool's data

    const Bytes region = RiffList("rgn ", {RiffChunk("rgnh", rgnh), RiffChunk("wsmp", wsmp), RiffChunk("wlnk", wlnk)});
    const Bytes instrument = RiffList("ins ", {RiffChunk("insh", insh), RiffList("lrgn", {region}),
                                               RiffList("INFO", {RiffChunk("INAM", {'s', 'i', 'n', 'e', 0})})});
    const Bytes wave = RiffList("wave", {RiffChunk("fmt ", fmt), RiffChunk("data", pcm)});
    Bytes body = {'D', 'L', 'S', ' '};
    Append(body, RiffChunk("colh", colh));
    Append(body, RiffList("lins", {instrument}));
    Append(body, RiffChunk("ptbl", ptbl));
    Append(body, RiffList("wvpl", {wave}));
    return RiffChunk("RIFF", body);
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tessaron::test
