#include "midi/CMidiFile.h"

#include <algorithm>
#include <fstream>

namespace tessaron {

namespace {

uint32_t Big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Reads a variable-length quantity of at most four bytes; false when it runs past `end`.
bool ReadVarLen(const uint8_t*& p, const uint8_t* end, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end) {
            return false;
        }
        const uint8_t byte = *p++;
        value = value << 7 | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

// Data bytes that follow a channel status.
int DataBytes(uint8_t status)
{
    const uint8_t type = status & 0xF0;
    return type == 0xC0 || type == 0xD0 ? 1 : 2;
}

bool Refuse(std::string* error, const std::string& why)
{
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

}  // namespace

float CMidiFile::Tempo() const
{
    if (tempos_.empty() || tempos_.front().microsPerQuarter == 0) {
        return 0.0f;
    }
    return static_cast<float>(60000000.0 / tempos_.front().microsPerQuarter);
}

double CMidiFile::TickToMs(int64_t tick) const
{
    double ms = 0.0;
    int64_t at = 0;
    double msPerTick = 500.0 / division_;
    for (const TempoChange& change : tempos_) {
        if (change.tick >= tick) {
            break;
        }
        ms += static_cast<double>(change.tick - at) * msPerTick;
        at = change.tick;
        msPerTick = change.microsPerQuarter / 1000.0 / division_;
    }
    return ms + static_cast<double>(tick - at) * msPerTick;
}

bool CMidiFile::ReadTrack(const uint8_t* p, size_t size, std::string& error)
{
    const uint8_t* end = p + size;
    int64_t tick = 0;
    uint8_t running = 0;
    while (p < end) {
        uint32_t delta = 0;
        if (!ReadVarLen(p, end, delta)) {
            return Refuse(&error, "a delta time runs past the track");
        }
        tick += delta;
        if (p >= end) {
            return Refuse(&error, "a track ends inside an event");
        }
        uint8_t status = *p;
        if (status & 0x80) {
            ++p;
        } else if (running != 0) {
            status = running;  // running status: the data byte stays
        } else {
            return Refuse(&error, "a data byte without a status");
        }
        if (status == 0xFF) {
            if (p >= end) {
                return Refuse(&error, "a meta event is cut");
            }
            const uint8_t type = *p++;
            uint32_t length = 0;
            if (!ReadVarLen(p, end, length) || length > static_cast<size_t>(end - p)) {
                return Refuse(&error, "a meta event runs past the track");
            }
            if (type == 0x51) {
                if (length != 3) {
                    return Refuse(&error, "a tempo event is not three bytes");
                }
                const uint32_t micros = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                if (micros == 0) {
                    return Refuse(&error, "a tempo of zero");
                }
                tempos_.push_back({tick, micros});
            }
            p += length;
            lastTick_ = std::max(lastTick_, tick);
            if (type == 0x2F) {
                return true;  // end of track; what follows in the chunk is ignored
            }
            running = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            if (!ReadVarLen(p, end, length) || length > static_cast<size_t>(end - p)) {
                return Refuse(&error, "a system exclusive message runs past the track");
            }
            p += length;
            running = 0;
        } else if (status >= 0xF0) {
            return Refuse(&error, "a system message inside a track");
        } else {
            const int count = DataBytes(status);
            if (end - p < count) {
                return Refuse(&error, "a channel message is cut");
            }
            Event event;
            event.tick = tick;
            event.status = status;
            event.data1 = p[0] & 0x7F;
            event.data2 = count == 2 ? p[1] & 0x7F : 0;
            if ((p[0] & 0x80) || (count == 2 && (p[1] & 0x80))) {
                return Refuse(&error, "a status byte where data was expected");
            }
            p += count;
            events_.push_back(event);
            lastTick_ = std::max(lastTick_, tick);
            running = status;
        }
        if (tick > (int64_t(1) << 40)) {
            return Refuse(&error, "a track longer than any song");
        }
    }
    return true;  // a track without its end-of-track event is accepted, as players do
}

std::optional<CMidiFile> CMidiFile::Parse(const uint8_t* data, size_t size, std::string* error)
{
    std::string why;
    const auto refuse = [&](const std::string& text) {
        Refuse(error, text);
        return std::nullopt;
    };
    if (size > kMaxBytes) {
        return refuse("the file is too large for a MIDI file");
    }
    // An RMI file wraps the MIDI file in a RIFF "RMID" chunk "data".
    if (size >= 20 && std::equal(data, data + 4, "RIFF") && std::equal(data + 8, data + 12, "RMID")) {
        const uint8_t* p = data + 12;
        const uint8_t* end = data + size;
        while (end - p >= 8) {
            const uint32_t length = p[4] | p[5] << 8 | p[6] << 16 | uint32_t(p[7]) << 24;
            if (std::equal(p, p + 4, "data")) {
                if (length > static_cast<size_t>(end - p - 8)) {
                    return refuse("the RMID data chunk runs past the file");
                }
                return Parse(p + 8, length, error);
            }
            if (length > static_cast<size_t>(end - p - 8)) {
                break;
            }
            p += 8 + length + (length & 1);
        }
        return refuse("an RMID file without MIDI data");
    }
    if (size < 14 || !std::equal(data, data + 4, "MThd")) {
        return refuse("not a MIDI file");
    }
    const uint32_t headerLength = Big32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) {
        return refuse("the MIDI header is damaged");
    }
    CMidiFile file;
    file.format_ = Big16(data + 8);
    file.tracks_ = Big16(data + 10);
    const uint16_t division = Big16(data + 12);
    if (file.format_ > 2) {
        return refuse("unknown MIDI file format");
    }
    if (division & 0x8000) {
        return refuse("SMPTE time division is not supported");
    }
    if (division == 0) {
        return refuse("a time division of zero");
    }
    if (file.tracks_ == 0 || file.tracks_ > kMaxTracks) {
        return refuse("the file has no tracks or too many");
    }
    file.division_ = division;
    const uint8_t* p = data + 8 + headerLength;
    const uint8_t* end = data + size;
    int found = 0;
    while (found < file.tracks_) {
        if (end - p < 8) {
            return refuse("the file ends before its last track");
        }
        const uint32_t length = Big32(p + 4);
        if (length > static_cast<size_t>(end - p - 8)) {
            return refuse("a track runs past the end of the file");
        }
        if (std::equal(p, p + 4, "MTrk")) {
            if (!file.ReadTrack(p + 8, length, why)) {
                return refuse(why);
            }
            ++found;
        }
        p += 8 + length;  // chunks of other kinds are skipped
    }
    std::stable_sort(file.events_.begin(), file.events_.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    std::stable_sort(file.tempos_.begin(), file.tempos_.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    file.bytes_.assign(data, data + size);
    return file;
}

std::optional<CMidiFile> CMidiFile::Load(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Refuse(error, "cannot read the file");
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxBytes) {
        Refuse(error, "the file is too large for a MIDI file");
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        Refuse(error, "cannot read the file");
        return std::nullopt;
    }
    return Parse(bytes.data(), bytes.size(), error);
}

}  // namespace tessaron
