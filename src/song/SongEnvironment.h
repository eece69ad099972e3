#pragma once

#include <cstdint>

#include "song/CSettings.h"

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
    CSettings settings;                    // the user's preferences (auto-load, limits, loops)
};

}  // namespace tessaron
