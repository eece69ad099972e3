#include "cli/SongJson.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <variant>

#include "cli/TextBytes.h"
#include "media/CEnvelope.h"
#include "media/CSamples.h"
#include "media/MediaFields.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"

namespace tessaron::cli {

using Json = nlohmann::ordered_json;

namespace {

// A text longer than this cannot be in a song file the reader opens.
constexpr size_t kMaxTextBytes = 512u * 1024u * 1024u;

// ---- Writing the JSON form ----

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

Json DoubleToJson(double value)
{
    if (std::isfinite(value)) {
        return value;
    }
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(std::bit_cast<uint64_t>(value)));
    return text;
}

Json MesureToJson(const CMesure& m)
{
    return Json{{"beats", m.Beats()}, {"fraction", FloatToJson(m.Fraction())}, {"beatsPerBar", m.BeatsPerBar()}};
}

Json FadeToJson(const CFade& fade)
{
    return Json{{"direction", fade.direction},
                {"length", fade.length},
                {"parameter1", fade.parameter1},
                {"parameter2", fade.parameter2}};
}

Json PairsToJson(const CMedia& m)
{
    Json pairs = Json::array();
    for (const auto& [number, text] : m.pairs) {
        pairs.push_back(Json{number, BytesToJsonText(text)});
    }
    return pairs;
}

// ---- Reading the JSON form: every value checked, a refusal names its JSON path ----

[[noreturn]] void Refuse(const std::string& path, const std::string& why)
{
    throw std::runtime_error(path + ": " + why);
}

std::string Describe(const Json& value)
{
    const std::string text = value.dump();
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

const Json& Get(const Json& object, const std::string& path, const std::string& key)
{
    if (!object.is_object()) {
        Refuse(path, "is not an object");
    }
    const auto found = object.find(key);
    if (found == object.end()) {
        Refuse(path.empty() ? key : path + "." + key, "is missing");
    }
    return *found;
}

std::string Child(const std::string& path, const std::string& key) { return path.empty() ? key : path + "." + key; }
std::string Item(const std::string& path, size_t index) { return path + "[" + std::to_string(index) + "]"; }

int64_t Whole(const Json& value, const std::string& path, int64_t least, int64_t most, const char* field)
{
    if (!value.is_number_integer()) {
        Refuse(path, Describe(value) + " is not a whole number");
    }
    const bool fits = value.is_number_unsigned() ? value.get<uint64_t>() <= static_cast<uint64_t>(most)
                                                 : value.get<int64_t>() >= least && value.get<int64_t>() <= most;
    if (!fits) {
        Refuse(path, Describe(value) + " does not fit " + field + " (" + std::to_string(least) + ".." +
                         std::to_string(most) + ")");
    }
    return value.get<int64_t>();
}

int32_t Int32(const Json& value, const std::string& path)
{
    return static_cast<int32_t>(Whole(value, path, INT32_MIN, INT32_MAX, "a 32-bit signed field"));
}

uint32_t UInt32(const Json& value, const std::string& path)
{
    return static_cast<uint32_t>(Whole(value, path, 0, UINT32_MAX, "a 32-bit unsigned field"));
}

uint8_t Byte(const Json& value, const std::string& path)
{
    return static_cast<uint8_t>(Whole(value, path, 0, 255, "a byte"));
}

// The bits of a value JSON cannot hold: "0x" and exactly `digits` hex digits.
uint64_t HexBits(const Json& value, const std::string& path, size_t digits)
{
    const std::string text = value.get<std::string>();
    const bool hex = text.size() == digits + 2 && text.starts_with("0x") &&
                     std::all_of(text.begin() + 2, text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (!hex) {
        Refuse(path, Describe(value) + " is neither a number nor the bits of one (\"0x\" and " + std::to_string(digits) +
                         " hex digits)");
    }
    return std::stoull(text.substr(2), nullptr, 16);
}

float Float(const Json& value, const std::string& path)
{
    if (value.is_number()) {
        const double number = value.get<double>();
        if (std::fabs(number) > FLT_MAX) {
            Refuse(path, Describe(value) + " does not fit a 32-bit float");
        }
        return static_cast<float>(number);
    }
    if (value.is_string()) {
        return std::bit_cast<float>(static_cast<uint32_t>(HexBits(value, path, 8)));
    }
    Refuse(path, Describe(value) + " is not a number");
}

double Double(const Json& value, const std::string& path)
{
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        return std::bit_cast<double>(HexBits(value, path, 16));
    }
    Refuse(path, Describe(value) + " is not a number");
}

std::string Text(const Json& value, const std::string& path)
{
    if (!value.is_string()) {
        Refuse(path, Describe(value) + " is not a text");
    }
    std::string bytes = JsonTextToBytes(value.get_ref<const std::string&>());
    if (bytes.size() > kMaxTextBytes) {
        Refuse(path, "a text of " + std::to_string(bytes.size() >> 20) + " MiB is more than a song file may hold (512 MiB)");
    }
    return bytes;
}

// Stored as 0 or 1; the JSON form says true or false (0 and 1 are taken too).
bool Flag(const Json& value, const std::string& path)
{
    if (value.is_boolean()) {
        return value.get<bool>();
    }
    return Whole(value, path, 0, 1, "a flag") != 0;
}

const Json& List(const Json& value, const std::string& path)
{
    if (!value.is_array()) {
        Refuse(path, "is not a list");
    }
    return value;
}

CMesure MesureFromJson(const Json& json, const std::string& path)
{
    return CMesure(Int32(Get(json, path, "beats"), Child(path, "beats")),
                   Float(Get(json, path, "fraction"), Child(path, "fraction")),
                   Byte(Get(json, path, "beatsPerBar"), Child(path, "beatsPerBar")));
}

CFade FadeFromJson(const Json& json, const std::string& path)
{
    const auto field = [&](const char* key) { return Int32(Get(json, path, key), Child(path, key)); };
    return CFade(field("direction"), field("length"), field("parameter1"), field("parameter2"));
}

void PairsFromJson(const Json& json, const std::string& path, CMedia& m)
{
    for (size_t i = 0; i < List(json, path).size(); ++i) {
        const Json& pair = json[i];
        if (!pair.is_array() || pair.size() != 2) {
            Refuse(Item(path, i), "is not a pair [number, text]");
        }
        m.pairs.emplace_back(Int32(pair[0], Item(path, i) + "[0]"), Text(pair[1], Item(path, i) + "[1]"));
    }
}

void FormatFromJson(const Json& json, const std::string& path, std::array<uint8_t, 8>& format)
{
    if (List(json, path).size() != format.size()) {
        Refuse(path, "needs 8 bytes, not " + std::to_string(json.size()));
    }
    for (size_t i = 0; i < format.size(); ++i) {
        format[i] = Byte(json[i], Item(path, i));
    }
}

// ---- Media ----

Json MediumToJson(CMedia& m)
{
    Json json;
    json["class"] = m.GetRuntimeClass()->name;
    for (const MediaField& field : MediaFields()) {
        if (field.name == nullptr) {
            continue;
        }
        Json& value = json[field.name];
        std::visit(FieldVisitor{
                       [&](std::monostate) {},
                       [&](int32_t CMedia::*member) { value = m.*member; },
                       [&](uint32_t CMedia::*member) { value = m.*member; },
                       [&](float CMedia::*member) { value = FloatToJson(m.*member); },
                       [&](double CMedia::*member) { value = DoubleToJson(m.*member); },
                       [&](std::string CMedia::*member) {
                           value = member == &CMedia::pairsText ? PairsToJson(m) : Json(BytesToJsonText(m.*member));
                       },
                       [&](std::array<uint8_t, 8> CMedia::*member) { value = m.*member; },
                       [&](CFade CMedia::*member) { value = FadeToJson(m.*member); },
                   },
                   field.member);
    }

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
        json["soundFile"] = BytesToJsonText(midi->soundFile);
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

void EnvelopesFromJson(const Json& json, const std::string& path, CSamples& sample)
{
    for (size_t n = 0; n < List(json, path).size(); ++n) {
        const Json& e = json[n];
        const std::string at = Item(path, n);
        const int32_t type = Int32(Get(e, at, "type"), Child(at, "type"));
        auto envelope = CEnvelope::Create(type);
        if (!envelope) {
            Refuse(Child(at, "type"), "no envelope has type " + std::to_string(type));
        }
        envelope->SetEnabled(Int32(Get(e, at, "enabled"), Child(at, "enabled")));
        envelope->period = Float(Get(e, at, "period"), Child(at, "period"));
        envelope->offset = Float(Get(e, at, "offset"), Child(at, "offset"));
        envelope->tempo = Float(Get(e, at, "tempo"), Child(at, "tempo"));
        const Json& fields = List(Get(e, at, "fields"), Child(at, "fields"));
        if (static_cast<int>(fields.size()) != envelope->StoredFieldCount()) {
            Refuse(Child(at, "fields"), "an envelope of type " + std::to_string(type) + " has " +
                                            std::to_string(envelope->StoredFieldCount()) + " fields");
        }
        for (int i = 0; i < envelope->StoredFieldCount(); ++i) {
            envelope->SetOwnField(i, Int32(fields[static_cast<size_t>(i)], Item(Child(at, "fields"), static_cast<size_t>(i))));
        }
        sample.Attach(std::move(envelope));
    }
}

void MidiFromJson(const Json& json, const std::string& path, CMidiMedia& midi)
{
    const auto integer = [&](const char* key) { return Int32(Get(json, path, key), Child(path, key)); };
    midi.soundFile = Text(Get(json, path, "soundFile"), Child(path, "soundFile"));
    midi.setting1 = integer("setting1");
    midi.setting2 = integer("setting2");
    midi.setting3 = integer("setting3");
    midi.setting4 = integer("setting4");
    midi.instrumentCount = integer("instrumentCount");
    const std::string at = Child(path, "instruments");
    const Json& instruments = List(Get(json, path, "instruments"), at);
    // The file holds as many definitions as the count says, up to the 16 a medium has.
    const auto stored = static_cast<size_t>(std::clamp(midi.instrumentCount, 0, CMidiMedia::kMaxInstruments));
    if (instruments.size() != stored) {
        Refuse(at, "an instrument count of " + std::to_string(midi.instrumentCount) + " stores " +
                       std::to_string(stored) + " definitions, not " + std::to_string(instruments.size()));
    }
    for (size_t i = 0; i < stored; ++i) {
        const Json& values = List(instruments[i], Item(at, i));
        if (values.size() != 6) {
            Refuse(Item(at, i), "an instrument definition holds 6 numbers");
        }
        for (size_t v = 0; v < 6; ++v) {
            midi.instruments[i].values[v] = Int32(values[v], Item(Item(at, i), v));
        }
    }
}

std::unique_ptr<CMedia> MediumFromJson(const Json& json, const std::string& path)
{
    const std::string className = Text(Get(json, path, "class"), Child(path, "class"));
    std::unique_ptr<CMedia> medium;
    if (className == "CSamples") {
        medium = std::make_unique<CSamples>();
    } else if (className == "CMusic") {
        medium = std::make_unique<CMusic>();
    } else if (className == "CMidiMedia") {
        medium = std::make_unique<CMidiMedia>();
    } else {
        Refuse(Child(path, "class"), "no medium is of class '" + className + "' (CSamples, CMusic or CMidiMedia)");
    }
    CMedia& m = *medium;
    for (const MediaField& field : MediaFields()) {
        if (field.name == nullptr) {
            continue;
        }
        const std::string at = Child(path, field.name);
        const Json& value = Get(json, path, field.name);
        std::visit(FieldVisitor{
                       [&](std::monostate) {},
                       [&](int32_t CMedia::*member) { m.*member = Int32(value, at); },
                       [&](uint32_t CMedia::*member) { m.*member = UInt32(value, at); },
                       [&](float CMedia::*member) { m.*member = Float(value, at); },
                       [&](double CMedia::*member) { m.*member = Double(value, at); },
                       [&](std::string CMedia::*member) {
                           if (member == &CMedia::pairsText) {
                               PairsFromJson(value, at, m);
                           } else {
                               m.*member = Text(value, at);
                           }
                       },
                       [&](std::array<uint8_t, 8> CMedia::*member) { FormatFromJson(value, at, m.*member); },
                       [&](CFade CMedia::*member) { m.*member = FadeFromJson(value, at); },
                   },
                   field.member);
    }
    m.effectiveTempo = static_cast<float>(m.tempo * (1.0 + m.tempoPercent / 100.0));
    m.optionA = (m.flags & CMedia::kFlagOptionA) != 0;
    m.optionB = (m.flags & CMedia::kFlagOptionB) != 0;
    m.optionC = (m.flags & CMedia::kFlagOptionC) != 0;

    if (auto* sample = dynamic_cast<CSamples*>(&m)) {
        sample->stretchMode = Int32(Get(json, path, "stretchMode"), Child(path, "stretchMode"));
        sample->stretchOption = Int32(Get(json, path, "stretchOption"), Child(path, "stretchOption"));
        sample->stretchValue = Int32(Get(json, path, "stretchValue"), Child(path, "stretchValue"));
        EnvelopesFromJson(Get(json, path, "envelopes"), Child(path, "envelopes"), *sample);
    } else if (auto* midi = dynamic_cast<CMidiMedia*>(&m)) {
        MidiFromJson(json, path, *midi);
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
    std::vector<std::string> warnings;
    if (!json.is_object() || !json.contains("format") || json["format"] != "tessaron-song") {
        throw std::runtime_error("not the JSON form of a Tessaron song (\"format\": \"tessaron-song\")");
    }
    const Json& media = List(Get(json, "", "media"), "media");
    const Json& events = List(Get(json, "", "events"), "events");
    const Json& s = Get(json, "", "settings");
    if (media.empty()) {
        Refuse("media", "a song without media does not open (File without data)");
    }
    for (size_t i = 0; i < media.size(); ++i) {
        doc.AppendLoadedMedium(MediumFromJson(media[i], Item("media", i)));
    }
    doc.RenumberMedia();
    for (size_t i = 0; i < events.size(); ++i) {
        const Json& e = events[i];
        const std::string at = Item("events", i);
        const auto field = [&](const char* key) { return Int32(Get(e, at, key), Child(at, key)); };
        auto action = std::make_unique<CAction>();
        action->SetType(UInt32(Get(e, at, "type"), Child(at, "type")));
        action->SetMediaPosition(field("mediaPosition"));
        action->SetReserved1(field("reserved1"));
        action->SetValue1(field("value1"));
        action->SetValue2(field("value2"));
        action->SetStart(field("start"));
        action->SetDuration(field("duration"));
        action->SetReserved2(field("reserved2"));
        action->SetReserved3(field("reserved3"));
        action->Position() = MesureFromJson(Get(e, at, "position"), Child(at, "position"));
        action->Length() = MesureFromJson(Get(e, at, "length"), Child(at, "length"));
        const int32_t mediumId = field("mediumId");
        action->SetMedium(doc.FindMedium(mediumId));
        if (action->Medium() == nullptr && mediumId != 0) {
            // The reader takes such an event too (it plays nothing), so it is built, not refused.
            warnings.push_back(Child(at, "mediumId") + ": the song holds no medium " + std::to_string(mediumId) +
                               "; the event is kept without one");
        }
        doc.AppendLoadedEvent(std::move(action));
    }
    doc.RenumberEvents();

    const auto integer = [&](const char* key) { return Int32(Get(s, "settings", key), Child("settings", key)); };
    const auto flag = [&](const char* key) { return Flag(Get(s, "settings", key), Child("settings", key)); };
    doc.SetLoopSong(flag("loopSong"));
    doc.SetFollowSong(flag("followSong"));
    doc.SetViewSettings(integer("viewSettingA"), integer("viewSettingB"));
    doc.SetQuantizationOn(flag("quantizationOn"));
    doc.SetBeatsPerBar(Byte(Get(s, "settings", "beatsPerBar"), "settings.beatsPerBar"));
    doc.SetGridZoom(integer("gridZoom"));
    const float tempo = Float(Get(s, "settings", "tempo"), "settings.tempo");
    if (!(tempo > 0.0f)) {
        warnings.push_back("settings.tempo: a tempo of " + Describe(s["tempo"]) +
                           " keeps the song's clock from running; built as given");
    }
    doc.SetStoredTempo(tempo);
    doc.SetQuantizationType(integer("quantizationType"));
    doc.SetQuantizationFrequency(integer("quantizationFrequency"));
    doc.SetTimeDisplay(flag("timeDisplay"));
    doc.SetLoopBegin(integer("loopBegin"));
    doc.SetLoopEnd(integer("loopEnd"));
    doc.SetStoredSongPosition(integer("songPosition"));
    return warnings;
}

}  // namespace tessaron::cli
