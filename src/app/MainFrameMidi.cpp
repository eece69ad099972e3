// The main frame's MIDI: the service opened with the settings' ports and channel, its input
// turned into triggers on the user-interface thread, the ports reopened after the Options
// dialog changed them, and silence on every MIDI output when the song is reset.
#include <cstdio>
#include <mutex>

#include "app/CChordwayApp.h"
#include "app/CGuiServices.h"
#include "app/CMainFrame.h"
#include "app/CStatusPanes.h"
#include "framework/INotice.h"
#include "midi/CMidiService.h"
#include "midi/IMidiInputTarget.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CTriggerRules.h"
#include "song/Messages.h"

namespace tessaron {

namespace {

// MIDI input as a message to the window. The packed message travels with it, so the input
// thread need not wait for the window (a window that is closing could never answer).
class WindowMidiTarget : public IMidiInputTarget {
public:
    explicit WindowMidiTarget(IMessageSink& sink) : sink_(sink) {}
    void send(uint32_t message, int ringIndex, uint32_t packed) override
    {
        sink_.post(message, ringIndex, static_cast<intptr_t>(packed));
    }

private:
    IMessageSink& sink_;
};

}  // namespace

void CMainFrame::OpenMidi()
{
    auto midi = std::make_unique<CMidiService>();
    if (!midi->Create()) {
        // The program runs on without MIDI; the count of ports says so to the song. One line
        // of ours says why (the libraries' own lines are kept away, TESSARON_VERBOSE=1 shows them).
        std::fprintf(stderr, "tessaron: running without MIDI: %s\n", midi->Error().c_str());
        app_.midiInputPorts = 0;
        app_.midiOutputPorts = 0;
        status_->SetPrompt(QString::fromUtf8(notice_text::kNoMidiDeviceFound.data(),
                                             static_cast<qsizetype>(notice_text::kNoMidiDeviceFound.size())));
        return;
    }
    midi_ = std::move(midi);
    midiTarget_ = std::make_unique<WindowMidiTarget>(*sink_);
    midi_->SetSink(sink_.get());
    OpenMidiPorts();
    app_.midiInputPorts = static_cast<int>(midi_->InputPorts().size());
    // Port 0 is the built-in synthesizer; the outside output port follows it.
    app_.midiOutputPorts = 1 + (midi_->OutputOpen() ? 1 : 0);
}

void CMainFrame::OpenMidiPorts()
{
    if (!midi_) {
        return;
    }
    const CSettings& settings = app_.Settings();
    midi_->CloseInput();
    midi_->CloseOutput();
    midi_->SetChannel(settings.midiCanal);
    midi_->SetThru(settings.midiThru);
    midi_->SetTarget(midiTarget_.get());
    // A port that cannot be found leaves ours open, unconnected, for others to connect to.
    if (!midi_->OpenInput(settings.midiInDrivers)) {
        notice_->show(CMidiService::ProblemText(CMidiService::kInputProblem, settings.midiInDrivers),
                      NoticeIcon::Exclamation);
        midi_->OpenInput("");
    }
    if (!midi_->OpenOutput(settings.midiOutDrivers)) {
        notice_->show(CMidiService::ProblemText(CMidiService::kOutputProblem, settings.midiOutDrivers),
                      NoticeIcon::Exclamation);
        midi_->OpenOutput("");
    }
}

void CMainFrame::CloseMidi()
{
    if (!midi_) {
        return;
    }
    midi_->SetTarget(nullptr);
    midi_->CloseInput();
    SilenceMidi();
    midi_->CloseOutput();
}

void CMainFrame::ReopenMidiIfLost()
{
    if (!midi_ || !midi_->Lost()) {
        return;
    }
    midi_->SetTarget(nullptr);
    lostMidi_.push_back(std::move(midi_));
    OpenMidi();
    if (loader_) {
        std::lock_guard guard(doc_->Lock());
        loader_->SetMidi(midi_.get());
    }
    doc_->Environment().midiOutputPortCount = app_.midiOutputPorts;
}

void CMainFrame::SilenceMidi()
{
    if (!midi_ || !midi_->OutputOpen()) {
        return;
    }
    // All sound off and all notes off on every channel: nothing keeps sounding on an outside
    // synthesizer when the song is reset.
    for (uint8_t channel = 0; channel < 16; ++channel) {
        const uint8_t soundOff[3] = {static_cast<uint8_t>(0xB0 | channel), 120, 0};
        const uint8_t notesOff[3] = {static_cast<uint8_t>(0xB0 | channel), 123, 0};
        midi_->Send(soundOff, sizeof soundOff);
        midi_->Send(notesOff, sizeof notesOff);
    }
}

}  // namespace tessaron
