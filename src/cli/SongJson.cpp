#include "cli/SongJson.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "media/CEnvelope.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"

namespace tessaron::cli {

using Json = nlohmann::ordered_json;

namespace {

std::string Latin1ToUtf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToLatin1(const std::string& text, const char* field)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        } else {
            throw std::runtime_error(std::string("field '") + field + "' holds a character a song file cannot store");
        }
    }
    return out;
}

// Floats as numbers; values JSON cannot hold (NaN, infinities) as their bits in hex.
Json FloatToJson(float value)
{
    if (std::isfinite(value)) {
        return value;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", std::bit_cast<uint32_t>(value));
    return text;
}

float FloatFromJson(const Json& value, const char* field)
{
    if (value.is_number()) {
        return value.get<float>();
    }
    if (value.is_string()) {
        return std::bit_cast<float>(static_cast<uint32_t>(std::stoul(value.get<std::string>(), nullptr, 16)));
    }
    throw std::runtime_error(std::string("field '") + field + "' is not a number");
}

Json DoubleToJson(double value)
{
    if (std::isfinite(value)) {
        return value;
    }
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(std::bit_cast<uint64_t>(value)));
    return text;
}

double DoubleFromJson(const Json& value, const char* field)
{
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        return std::bit_cast<double>(static_cast<uint64_t>(std::stoull(value.get<std::string>(), nullptr, 16)));
    }
    throw std::runtime_error(std::string("field '") + field + "' is not a number");
}

const Json& Field(const Json& object, const char* field)
{
    if (!object.is_object() || !object.contains(field)) {
        throw std::runtime_error(std::string("missing field '") + field + "'");
    }
    return object.at(field);
}

int32_t Int(const Json& object, const char* field)
{
    const Json& value = Field(object, field);
    if (!value.is_number_integer()) {
        throw std::runtime_error(std::string("field '") + field + "' is not an integer");
    }
    const int64_t number = value.get<int64_t>();
    if (number < INT32_MIN || number > UINT32_MAX) {
        throw std::runtime_error(std::string("field '") + field + "' is out of range");
    }
    return static_cast<int32_t>(static_cast<uint32_t>(number));
}

std::string Text(const Json& object, const char* field)
{
    const Json& value = Field(object, field);
    if (!value.is_string()) {
        throw std::runtime_error(std::string("field '") + field + "' is not a text");
    }
    return Utf8ToLatin1(value.get<std::string>(), field);
}

Json MesureToJson(const CMesure& m)
{
    return Json{{"beats", m.Beats()}, {"fraction", FloatToJson(m.Fraction())}, {"beatsPerBar", m.BeatsPerBar()}};
}

CMesure MesureFromJson(const Json& json)
{
    return CMesure(Int(json, "beats"), FloatFromJson(Field(json, "fraction"), "fraction"),
                   static_cast<uint8_t>(Int(json, "beatsPerBar")));
}

Json FadeToJson(const CFade& fade)
{
    return Json{{"direction", fade.direction},
                {"length", fade.length},
                {"parameter1", fade.parameter1},
                {"parameter2", fade.parameter2}};
}

CFade FadeFromJson(const Json& json)
{
    return CFade(Int(json, "direction"), Int(json, "length"), Int(json, "parameter1"), Int(json, "parameter2"));
}

// One table of the medium's integer fields keeps both directions in step.
struct IntField {
    const char* name;
    int32_t CMedia::*member;
};
constexpr IntField kIntFields[] = {
    {"mediumId", &CMedia::mediumId},       {"pitch", &CMedia::pitch},
    {"sampleRate", &CMedia::sampleRate},   {"startOffset", &CMedia::startOffset},
    {"endOffset", &CMedia::endOffset},     {"fileTime", &CMedia::fileTime},
    {"volume", &CMedia::volume},           {"gainDb", &CMedia::gainDb},
    {"pan", &CMedia::pan},                 {"flags", &CMedia::flags},
    {"extraValue9", &CMedia::extraValue9}, {"pcKey", &CMedia::pcKey},
    {"midiNote", &CMedia::midiNote},       {"beatCount", &CMedia::beatCount},
    {"deviceIndex", &CMedia::deviceIndex}, {"eqGain3", &CMedia::eqGain3},
    {"eqGain2", &CMedia::eqGain2},         {"eqGain1", &CMedia::eqGain1},
    {"triggerMode", &CMedia::triggerMode}, {"loopCount", &CMedia::loopCount},
    {"dataSize", &CMedia::dataSize},       {"duration", &CMedia::duration},
    {"extraValue10", &CMedia::extraValue10}, {"extraValue11", &CMedia::extraValue11},
    {"markerCount", &CMedia::markerCount}, {"extraValue2", &CMedia::extraValue2},
};

struct ColourField {
    const char* name;
    uint32_t CMedia::*member;
};
constexpr ColourField kColourFields[] = {
    {"backColour", &CMedia::backColour}, {"textColour", &CMedia::textColour}, {"markColour", &CMedia::markColour}};

struct TextField {
    const char* name;
    std::string CMedia::*member;
};
constexpr TextField kTextFields[] = {
    {"name", &CMedia::name},           {"filePath", &CMedia::filePath},
    {"artist", &CMedia::artist},       {"genre", &CMedia::genre},
    {"year", &CMedia::year},           {"extraText1", &CMedia::extraText1},
    {"keyName", &CMedia::keyName},     {"album", &CMedia::album},
    {"extraText2", &CMedia::extraText2}, {"extraText3", &CMedia::extraText3},
    {"comment", &CMedia::comment},     {"extraText7", &CMedia::extraText7},
    {"bufferLengthText", &CMedia::bufferLengthText}, {"extraText6", &CMedia::extraText6},
    {"extraText5", &CMedia::extraText5},
};

Json MediumToJson(CMedia& m)
{
    Json json;
    json["class"] = m.GetRuntimeClass()->name;
    for (const TextField& f : kTextFields) {
        json[f.name] = Latin1ToUtf8(m.*(f.member));
    }
    for (const IntField& f : kIntFields) {
        json[f.name] = m.*(f.member);
    }
    for (const ColourField& f : kColourFields) {
        json[f.name] = m.*(f.member);
    }
    json["tempo"] = FloatToJson(m.tempo);
    json["tempoPercent"] = DoubleToJson(m.tempoPercent);
    Json pairs = Json::array();
    for (const auto& [number, text] : m.pairs) {
        pairs.push_back(Json{number, Latin1ToUtf8(text)});
    }
    json["pairs"] = pairs;
    json["formatInfo"] = m.formatInfo;
    json["fadeIn"] = FadeToJson(m.fadeIn);
    json["fadeOut"] = FadeToJson(m.fadeOut);

    if (auto* sample = dynamic_cast<CSamples*>(&m)) {
        json["stretchMode"] = sample->stretchMode;
        json["stretchOption"] = sample->stretchOption;
        json["stretchValue"] = sample->stretchValue;
        Json envelopes = Json::array();
        for (const auto& e : sample->Attached()) {
            Json fields = Json::array();
            for (int i = 0; i < e->StoredFieldCount(); ++i) {
                fields.push_back(e->OwnField(i));
            }
            envelopes.push_back(Json{{"type", e->Type()},
                                     {"enabled", e->Enabled()},
                                     {"period", FloatToJson(e->period)},
                                     {"offset", FloatToJson(e->offset)},
                                     {"tempo", FloatToJson(e->tempo)},
                                     {"fields", fields}});
        }
        json["envelopes"] = envelopes;
    } else if (auto* midi = dynamic_cast<CMidiMedia*>(&m)) {
        json["soundFile"] = Latin1ToUtf8(midi->soundFile);
        json["setting1"] = midi->setting1;
        json["setting2"] = midi->setting2;
        json["setting3"] = midi->setting3;
        json["setting4"] = midi->setting4;
        json["instrumentCount"] = midi->instrumentCount;
        Json instruments = Json::array();
        for (int i = 0; i < std::clamp(midi->instrumentCount, 0, CMidiMedia::kMaxInstruments); ++i) {
            instruments.push_back(midi->instruments[static_cast<size_t>(i)].values);
        }
        json["instruments"] = instruments;
    }
    return json;
}

std::unique_ptr<CMedia> MediumFromJson(const Json& json)
{
    const std::string className = Text(json, "class");
    std::unique_ptr<CMedia> medium;
    if (className == "CSamples") {
        medium = std::make_unique<CSamples>();
    } else if (className == "CMusic") {
        medium = std::make_unique<CMusic>();
    } else if (className == "CMidiMedia") {
        medium = std::make_unique<CMidiMedia>();
    } else {
        throw std::runtime_error("unknown medium class '" + className + "'");
    }
    CMedia& m = *medium;
    for (const TextField& f : kTextFields) {
        m.*(f.member) = Text(json, f.name);
    }
    for (const IntField& f : kIntFields) {
        m.*(f.member) = Int(json, f.name);
    }
    for (const ColourField& f : kColourFields) {
        m.*(f.member) = static_cast<uint32_t>(Int(json, f.name));
    }
    m.tempo = FloatFromJson(Field(json, "tempo"), "tempo");
    m.tempoPercent = DoubleFromJson(Field(json, "tempoPercent"), "tempoPercent");
    m.effectiveTempo = static_cast<float>(m.tempo * (1.0 + m.tempoPercent / 100.0));
    m.optionA = (m.flags & CMedia::kFlagOptionA) != 0;
    m.optionB = (m.flags & CMedia::kFlagOptionB) != 0;
    m.optionC = (m.flags & CMedia::kFlagOptionC) != 0;
    for (const Json& pair : Field(json, "pairs")) {
        if (!pair.is_array() || pair.size() != 2 || !pair[0].is_number_integer() || !pair[1].is_string()) {
            throw std::runtime_error("a pair is not [number, text]");
        }
        m.pairs.emplace_back(pair[0].get<int32_t>(), Utf8ToLatin1(pair[1].get<std::string>(), "pairs"));
    }
    const Json& format = Field(json, "formatInfo");
    if (!format.is_array() || format.size() != m.formatInfo.size()) {
        throw std::runtime_error("field 'formatInfo' is not 8 bytes");
    }
    for (size_t i = 0; i < m.formatInfo.size(); ++i) {
        m.formatInfo[i] = format[i].get<uint8_t>();
    }
    m.fadeIn = FadeFromJson(Field(json, "fadeIn"));
    m.fadeOut = FadeFromJson(Field(json, "fadeOut"));

    if (auto* sample = dynamic_cast<CSamples*>(&m)) {
        sample->stretchMode = Int(json, "stretchMode");
        sample->stretchOption = Int(json, "stretchOption");
        sample->stretchValue = Int(json, "stretchValue");
        for (const Json& e : Field(json, "envelopes")) {
            auto envelope = CEnvelope::Create(Int(e, "type"));
            if (!envelope) {
                throw std::runtime_error("unknown envelope type " + std::to_string(Int(e, "type")));
            }
            envelope->SetEnabled(Int(e, "enabled"));
            envelope->period = FloatFromJson(Field(e, "period"), "period");
            envelope->offset = FloatFromJson(Field(e, "offset"), "offset");
            envelope->tempo = FloatFromJson(Field(e, "tempo"), "tempo");
            const Json& fields = Field(e, "fields");
            if (!fields.is_array() || static_cast<int>(fields.size()) != envelope->StoredFieldCount()) {
                throw std::runtime_error("envelope of type " + std::to_string(envelope->Type()) + " needs " +
                                         std::to_string(envelope->StoredFieldCount()) + " fields");
            }
            for (int i = 0; i < envelope->StoredFieldCount(); ++i) {
                envelope->SetOwnField(i, fields[static_cast<size_t>(i)].get<int32_t>());
            }
            sample->Attach(std::move(envelope));
        }
    } else if (auto* midi = dynamic_cast<CMidiMedia*>(&m)) {
        midi->soundFile = Text(json, "soundFile");
        midi->setting1 = Int(json, "setting1");
        midi->setting2 = Int(json, "setting2");
        midi->setting3 = Int(json, "setting3");
        midi->setting4 = Int(json, "setting4");
        midi->instrumentCount = Int(json, "instrumentCount");
        const Json& instruments = Field(json, "instruments");
        const size_t stored = static_cast<size_t>(std::clamp(midi->instrumentCount, 0, CMidiMedia::kMaxInstruments));
        if (!instruments.is_array() || instruments.size() != stored) {
            throw std::runtime_error("field 'instruments' needs " + std::to_string(stored) + " definitions");
        }
        for (size_t i = 0; i < stored; ++i) {
            midi->instruments[i].values = instruments[i].get<std::array<int32_t, 6>>();
        }
    } else if (auto* music = dynamic_cast<CMusic*>(&m)) {
        music->markers.assign(static_cast<size_t>(std::clamp(m.markerCount, 0, 65536)), 0);
    }
    return medium;
}

}  // namespace

Json SongToJson(CChordwayDoc& doc)
{
    Json json;
    json["format"] = "tessaron-song";
    json["version"] = 1;
    json["settings"] = Json{{"loopBegin", doc.LoopBegin()},
                            {"loopEnd", doc.LoopEnd()},
                            {"loopSong", doc.LoopSong()},
                            {"followSong", doc.FollowSong()},
                            {"timeDisplay", doc.TimeDisplay()},
                            {"viewSettingA", doc.ViewSettingA()},
                            {"viewSettingB", doc.ViewSettingB()},
                            {"quantizationOn", doc.QuantizationOn()},
                            {"quantizationType", doc.QuantizationType()},
                            {"quantizationFrequency", doc.QuantizationFrequency()},
                            {"beatsPerBar", doc.BeatsPerBar()},
                            {"songPosition", doc.SongPosition()},
                            {"gridZoom", doc.GridZoom()},
                            {"tempo", FloatToJson(doc.Tempo())}};
    Json media = Json::array();
    for (int i = 0; i < doc.MediaCount(); ++i) {
        media.push_back(MediumToJson(*doc.MediumAt(i)));
    }
    json["media"] = media;
    Json events = Json::array();
    for (int i = 0; i < doc.EventCount(); ++i) {
        const CAction& e = *doc.EventAt(i);
        events.push_back(Json{{"mediumId", e.Medium() != nullptr ? e.Medium()->mediumId : 0},
                              {"type", e.Type()},
                              {"mediaPosition", e.MediaPosition()},
                              {"reserved1", e.Reserved1()},
                              {"value1", e.Value1()},
                              {"value2", e.Value2()},
                              {"start", e.Start()},
                              {"duration", e.Duration()},
                              {"reserved2", e.Reserved2()},
                              {"reserved3", e.Reserved3()},
                              {"position", MesureToJson(e.Position())},
                              {"length", MesureToJson(e.Length())}});
    }
    json["events"] = events;
    return json;
}

std::vector<std::string> SongFromJson(const Json& json, CChordwayDoc& doc)
{
    if (!json.is_object() || json.value("format", "") != "tessaron-song") {
        throw std::runtime_error("not the JSON form of a Tessaron song");
    }
    const Json& media = Field(json, "media");
    const Json& events = Field(json, "events");
    if (!media.is_array() || !events.is_array()) {
        throw std::runtime_error("'media' and 'events' must be lists");
    }
    for (const Json& m : media) {
        doc.AppendLoadedMedium(MediumFromJson(m));
    }
    doc.RenumberMedia();
    for (const Json& e : events) {
        auto action = std::make_unique<CAction>();
        action->SetType(static_cast<uint32_t>(Int(e, "type")));
        action->SetMediaPosition(Int(e, "mediaPosition"));
        action->SetReserved1(Int(e, "reserved1"));
        action->SetValue1(Int(e, "value1"));
        action->SetValue2(Int(e, "value2"));
        action->SetStart(Int(e, "start"));
        action->SetDuration(Int(e, "duration"));
        action->SetReserved2(Int(e, "reserved2"));
        action->SetReserved3(Int(e, "reserved3"));
        action->Position() = MesureFromJson(Field(e, "position"));
        action->Length() = MesureFromJson(Field(e, "length"));
        action->SetMedium(doc.FindMedium(Int(e, "mediumId")));
        doc.AppendLoadedEvent(std::move(action));
    }
    doc.RenumberEvents();

    const Json& s = Field(json, "settings");
    const auto flag = [&](const char* field) {
        const Json& value = Field(s, field);
        return value.is_boolean() ? value.get<bool>() : Int(s, field) != 0;
    };
    doc.SetLoopSong(flag("loopSong"));
    doc.SetFollowSong(flag("followSong"));
    doc.SetViewSettings(Int(s, "viewSettingA"), Int(s, "viewSettingB"));
    doc.SetQuantizationOn(flag("quantizationOn"));
    doc.SetBeatsPerBar(static_cast<uint8_t>(Int(s, "beatsPerBar")));
    doc.SetGridZoom(Int(s, "gridZoom"));
    doc.SetStoredTempo(FloatFromJson(Field(s, "tempo"), "tempo"));
    doc.SetQuantizationType(Int(s, "quantizationType"));
    doc.SetQuantizationFrequency(Int(s, "quantizationFrequency"));
    doc.SetTimeDisplay(flag("timeDisplay"));
    doc.SetLoopBegin(Int(s, "loopBegin"));
    doc.SetLoopEnd(Int(s, "loopEnd"));
    doc.SetStoredSongPosition(Int(s, "songPosition"));
    return {};
}

}  // namespace tessaron::cli
