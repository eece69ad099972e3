#pragma once

namespace tessaron {

class IMessageSink;
class INotice;
class IProgress;
class IDocumentObserver;
class CMedia;

// Loads and unloads a medium's sound for playing; the player of the song provides it.
class IMediaLoader {
public:
    virtual ~IMediaLoader() = default;
    // Loads the medium's data for its output at the song tempo; false on failure.
    virtual bool LoadMediumData(CMedia& medium, bool notify) = 0;
};

// What the song needs from the program around it. Every pointer may be null (a tool without
// windows, a test), and then that service is skipped.
struct SongEnvironment {
    IMessageSink* sink = nullptr;          // the main window's message queue
    INotice* notice = nullptr;             // message boxes
    IProgress* progress = nullptr;         // the "Load a song" window
    IDocumentObserver* views = nullptr;    // update hints
    IMediaLoader* loader = nullptr;        // media data when a song opens with auto-load
    int keyboardOctaves = 2;               // octaves of the on-screen keyboard
    int audioDeviceCount = 0;              // output devices present
    int midiOutputPortCount = 0;           // MIDI output ports present
    bool autoLoad = false;                 // load media data when a song opens
};

}  // namespace tessaron
