#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "midi/CMidiFile.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;
typedef struct _fluid_midi_event_t fluid_midi_event_t;

namespace tessaron {

class CSoundBuffer;
class CSoundDevice;
class IMessageSink;
class IMidiPorts;

// Plays one MIDI file: through the built-in synthesizer (FluidSynth) into a streaming buffer of
// an output device, so that it shares the device's mix, master volume and clock; or through a
// MIDI output port, the synthesizer then only keeping time.
//
// A worker thread renders ahead of the buffer's play cursor (the audio thread never waits for
// the synthesizer) and posts the end notice when the last event of the last pass has been heard.
// Control calls come from any thread; each waits at most for one short rendering step.
class CMidiPlayer {
public:
    static constexpr uint32_t kEndMessage = 1052;
    static constexpr intptr_t kEndKind = 7;
    // Plays of a continuous loop.
    static constexpr int kForever = -1;

    // The system's General MIDI SoundFont, or an empty text when there is none.
    static std::string DefaultSoundFont();

    // `collection` (a SoundFont or DLS file) lends its instruments over the General MIDI font's;
    // `sink` and `medium` address the end notice (kEndMessage, kEndKind, medium).
    CMidiPlayer(CMidiFile file, std::string collection, IMessageSink* sink, intptr_t medium);
    ~CMidiPlayer();
    CMidiPlayer(const CMidiPlayer&) = delete;
    CMidiPlayer& operator=(const CMidiPlayer&) = delete;

    // Opens on an output device (the built-in synthesizer) or on a MIDI output port; false when
    // the synthesizer or its sounds cannot be made, or the port is missing.
    bool OpenOnDevice(CSoundDevice& device);
    bool OpenOnPort(IMidiPorts& port);

    // Plays from the start `plays` times (kForever: until stopped).
    bool Play(int plays);
    void Stop();
    // Stops and posts the end notice, unless this play's notice is out already: the play was cut
    // short by another.
    void End();
    bool IsPlaying() const { return playing_.load(); }
    // End notices posted so far.
    int EndsPosted() const { return endsPosted_.load(); }

    // Hundredths of a decibel (from -4500 up) and pan (-4000..4000); ignored while muted.
    bool SetVolume(int32_t hundredthsDb);
    bool SetPan(int32_t hundredthsDb);
    void SetMute(bool on);
    // Beats per minute that replace the file's own tempo; 0 returns to the file's.
    void SetTempo(float bpm);
    float Tempo() const { return tempo_.load(); }

    const CMidiFile& File() const { return file_; }

private:
    static int OnTick(void* self, int tick);
    static int OnEvent(void* self, fluid_midi_event_t* event);
    bool MakeSynth(double rate);
    bool StartPlayer();
    void DropPlayer();
    void Work();
    void RenderAhead();
    void KeepTime();
    // Renders `frames` through the synthesizer, watching for the end of each pass.
    void Render(int16_t* out, uint32_t frames);
    void PassEnded();
    void PostEnd();
    void StopLocked();
    void Silence();

    CMidiFile file_;
    std::string collection_;
    IMessageSink* sink_;
    intptr_t medium_;

    // Under mutex_: the synthesizer and what the worker and the control calls share.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
    std::unique_ptr<CSoundBuffer> buffer_;
    IMidiPorts* port_ = nullptr;
    uint32_t rate_ = 44100;
    uint32_t bufferFrames_ = 0;
    uint32_t leadFrames_ = 0;
    int playsLeft_ = 0;
    bool passEnded_ = false;
    uint64_t rendered_ = 0;     // frames rendered since Play
    uint64_t heard_ = 0;        // frames the buffer's cursor has passed since Play
    uint32_t lastCursor_ = 0;   // bytes
    int64_t endFrame_ = -1;     // where the last pass ended, in rendered frames
    int64_t stopFrame_ = -1;    // where the tail after the end has died away
    bool endPosted_ = false;    // this play's end notice is out
    std::chrono::steady_clock::time_point clockStart_;
    bool quit_ = false;
    bool muted_ = false;
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    std::vector<int16_t> scratch_;

    std::atomic<bool> playing_{false};
    std::atomic<int> endsPosted_{0};
    std::atomic<float> tempo_{0.0f};
    std::thread worker_;
};

}  // namespace tessaron
