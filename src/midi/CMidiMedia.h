#pragma once

#include <array>
#include <memory>
#include <string>

#include "media/CMedia.h"
#include "midi/CInstrumentDef.h"

namespace tessaron {

class CMidiPerformance;
class CMidiPlayer;
class CMidiService;

// A standard MIDI file played through the built-in synthesizer (port 0, on the medium's audio
// output) or an outside MIDI output port (device index 1 and up).
class CMidiMedia : public CMedia {
    TESSARON_DECLARE_CLASS(CMidiMedia)
public:
    static constexpr int kMaxInstruments = 16;
    // The tempo reported for a file that sets none.
    static constexpr float kUnknownTempo = 100.0f;

    CMidiMedia();
    using CMedia::CMedia;
    ~CMidiMedia() override;

    void ResetSettings() override;
    void Store(CArchive& archive) override;
    void Load(CArchive& archive) override;

    void SetMidiService(CMidiService* service) override;
    // Reads the file for its length and tempo without readying a player; false when it is
    // not a MIDI file the program can play.
    bool OpenForInfo(int flag, const std::string& path) override;
    // Reads the file and readies its player; a file that cannot be read leaves `loaded` at 2.
    bool Open(CSoundDevice* device, float tempo) override;
    void Close() override;
    bool Play() override;
    void Stop() override;
    // A play that reached the end of its file (its end notice is out) no longer counts as
    // playing, so that the next press of its key plays it again.
    bool IsPlaying() const override;
    bool IsDevicePlaying() const override;
    void Mute() override;
    void Unmute() override;
    void SetVolume(int volume) override;
    void ApplyVolume() override;
    void SendVolume(int value) override;
    void SetPan(int pan) override;
    void ApplyPan() override;
    void SendPan(int value) override;
    void TempoFromBeats() override;
    int ChangeTempo(float tempo) override;

    // How many times Play plays the file: a continuous loop until stopped (-1), a counted loop
    // its count (as many passes as the media list's loop count and total length say), otherwise
    // once.
    int PlayCount() const;
    // A primary medium (the media dialog's "Primary") ends the primary medium playing before it
    // when it starts; a secondary one plays beside whatever plays.
    bool IsPrimary() const { return (flags & kFlagPrimary) != 0; }
    CMidiPlayer* Player() const { return player_.get(); }

    std::string soundFile;  // DLS or SoundFont collection for the medium's instruments
    int32_t optionValue = 0;
    int32_t setting1 = 1;  // "Tempo change"
    int32_t setting2 = 0;
    int32_t setting3 = 0;
    int32_t setting4 = 0;
    int32_t instrumentCount = 0;
    std::array<CInstrumentDef, kMaxInstruments> instruments;
    bool muted = false;

private:
    void ResetMidiFields();
    int StoredInstrumentCount() const;
    // Takes the performance's primary place, or leaves it when playing as a secondary medium.
    void TakePrimaryPlace();
    // Another primary medium took the place of this one while it played.
    void EndAsReplaced();

    CMidiService* service_ = nullptr;
    std::shared_ptr<CMidiPerformance> performance_;
    std::unique_ptr<CMidiPlayer> player_;
    int endsAtPlay_ = 0;  // the player's end notices when this play began
};

}  // namespace tessaron
