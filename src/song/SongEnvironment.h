#pragma once

#include <cstdint>

namespace tessaron {

class IMessageSink;
class INotice;
class IProgress;
class IDocumentObserver;
class CMedia;

// Opens a medium's sound on its output: the medium's device number picks one of the program's
// audio outputs (or MIDI ports), falling back to the first. Provided by whoever owns the outputs.
class IMediaLoader {
public:
    virtual ~IMediaLoader() = default;
    // Opens the medium for playing at the song tempo; false on failure.
    virtual bool OpenMedium(CMedia& medium, float tempo) = 0;
};

// What the song needs from the program around it. Every pointer may be null (a tool without
// windows, a test), and then that service is skipped.
struct SongEnvironment {
    IMessageSink* sink = nullptr;          // the main window's message queue
    INotice* notice = nullptr;             // message boxes
    IProgress* progress = nullptr;         // the "Load a song" window
    IDocumentObserver* views = nullptr;    // update hints
    IMediaLoader* loader = nullptr;        // opens media on the outputs
    int keyboardOctaves = 2;               // octaves of the on-screen keyboard
    int audioDeviceCount = 0;              // output devices present
    int midiOutputPortCount = 0;           // MIDI output ports present
    bool autoLoad = false;                 // load media data when a song opens
    int loopLengthsForContinuous = 16;     // how many loop lengths a continuous loop's event lasts
    int64_t memoryMax = 134217728;         // bytes of media data the song may hold
    bool beepOnBeat = false;               // sound the system beep on every beat
};

}  // namespace tessaron
