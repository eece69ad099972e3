#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <QKeySequence>
#include <QMainWindow>

#include "app/CAudioOutputs.h"
#include "app/PlacementRules.h"
#include "song/IDocumentObserver.h"

class QAction;
class QMenu;
class QSplitter;
class QToolBar;

namespace tessaron {

class CActionView;
class CChordwayApp;
class CCompanionLink;
class CLinkServer;
class CMidiService;
class IMidiInputTarget;
class CKeyFilter;
class CMidiView;
class CTriggerRules;
class CChordwayDoc;
class CChordwayView;
class CGuiMessageSink;
class CGuiNotice;
class CGridView;
class CMedia;
class CGuiProgress;
class CMediaOutputs;
class CMoveBar;
class CScheduler;
class CSettingsBar;
class CStatusPanes;

// The program's one top-level window: menus and accelerators, the "Commands" and "Settings"
// tool bars, the move bar, the status bar, the four panes in their splitters, the audio outputs
// and the song with its scheduler. Runs on the user-interface thread; other threads reach it
// only through posted messages (OnMessage).
class CMainFrame : public QMainWindow, public IDocumentObserver {
public:
    // Command ids, as the menus and accelerators number them.
    enum Command : int {
        kNew = 57600, kOpen = 57601, kSave = 57603, kSaveAs = 57604, kRecentFirst = 57616,
        kReset = 32000, kOptions = 32002, kInterface = 32916, kReapplySkin = 32915, kQuit = 57665,
        kAddSamples = 32050, kAddMidi = 32051, kDelete = 32017, kEdit = 32016, kUndo = 57643,
        kSelectAll = 32011, kPlayMedia = 32020, kStopMedia = 32021, kUnload = 32022, kRunEditor = 32023,
        kActualise = 32024, kTempo = 32025, kAutoKey = 32026, kSaveWave = 32027, kDisplayWave = 32910,
        kRecord = 32030, kPlaySong = 32031, kStopSong = 32032, kLoadAll = 32033, kQuantization = 32034,
        kCreateWave = 32035, kInitialiseRecord = 32737, kEffectsFirst = 32860, kEffectsLast = 32881,
        kBarCommands = 59392, kBarSettings = 32040, kBarMove = 32041, kBarStatus = 59393,
        kPanePiano = 32043, kPaneMedia = 32042, kPaneEvent = 32044, kPaneTimeline = 32045,
        kReportDetails = 61243, kReportList = 61242, kGotoStart = 32825, kGotoEnd = 32828,
        kQuantizationOn = 32100, kDisplayBar = 32101, kDisplayTime = 32102, kFollowSong = 32103,
        kLoopSong = 32104, kSetTempo = 32105, kVolume = 32001, kAbout = 57664, kHelp = 32054,
    };

    explicit CMainFrame(CChordwayApp& app);
    ~CMainFrame() override;

    // The creation steps; false when the program cannot run (the reason was shown).
    // Without an opener the devices open on the audio system in use and post their loss here.
    bool Create(const CAudioOutputs::Opener& opener = {});
    // First show at the end of start-up: maximized or normal, with the splitters sized.
    void ShowFirst(const PlacementRules::Decision& placement);

    bool OpenSong(const QString& path);
    bool SaveSong(const QString& path);
    // Asks to save a modified song; false when the user cancels.
    bool SaveModified();

    CChordwayDoc& Doc() { return *doc_; }
    CScheduler& Scheduler() { return *scheduler_; }
    CAudioOutputs& Outputs() { return outputs_; }
    CStatusPanes& Status() { return *status_; }
    CSettingsBar& SettingsBar() { return *settingsBar_; }
    CMoveBar& MoveBar() { return *moveBar_; }
    CActionView& EventList() { return *eventList_; }
    CGridView& Timeline() { return *timeline_; }
    // Shows a sample in its wave editor: one window per sample, raised when already open.
    void OpenWaveEditor(CMedia& medium);
    // The piano view; null once the frame has shut down.
    CMidiView* PianoView() const { return pianoView_; }
    // The rules every key press, mouse click on the piano and MIDI note goes through.
    CTriggerRules& Triggers() { return *triggers_; }
    CChordwayView& MediaList() { return *mediaList_; }
    QAction* Action(int id) const;
    const QString& SongPath() const { return songPath_; }
    // Set while a text field of the tool bars has the keyboard focus: keys then type, they do
    // not play media.
    bool EditFocus() const { return editFocus_; }
    void SetEditFocus(bool on) { editFocus_ = on; }
    CGuiProgress& Progress() { return *progress_; }
    // The MIDI service; null when the MIDI system could not be reached.
    CMidiService* Midi() const { return midi_.get(); }
    // The companion link's server while the window is open; null when another instance has it.
    const CLinkServer* LinkServer() const { return linkServer_.get(); }
    // Whether an audio output was lost and not opened again yet.
    bool OutputLost() const { return outputLost_; }
    // Opens the lost outputs again (the same device, else the audio system's default one) and
    // moves the song's media onto them; false when none answers (the user was told).
    bool ReopenOutputs();
    // Closes and opens the MIDI ports with the names of the settings; the problems are shown.
    void OpenMidiPorts();

    // Replaces the skin on the live windows: the views hear hint 28, the skin is loaded and its
    // MAIN section applied, the views hear hint 29. The path is kept for the `Skins` setting.
    void ApplySkin(const QString& path);

    // A message posted by another thread (or the document), on the UI thread.
    void OnMessage(uint32_t message, intptr_t first, intptr_t second);
    // Runs a command as its menu item or key would.
    void RunCommand(int id);
    // Enables, disables and checks the commands after a change of state.
    void UpdateCommands();

    // IDocumentObserver; safe from any thread (calls from others are queued).
    void UpdateHint(int hint, intptr_t value, bool toMediaList) override;
    void Notice(ListNotice notice) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // One command: id, menu text, key, handler, and its enable and check rules.
    struct CommandEntry {
        int id;
        const char* text;
        QKeySequence key;
        void (CMainFrame::*run)();
        std::function<bool(const CMainFrame&)> enabled;  // empty: always enabled
        std::function<bool(const CMainFrame&)> checked;  // empty: not a check item
        const char* tip = "";
    };
    void BuildCommands();
    void BuildMenus();
    void BuildBars();
    void BuildPanes();
    void ConnectTimeline();
    // Closes the wave editors of media no longer in the song (all of them with `all`).
    void CloseWaveEditors(bool all);
    void UpdateTitle();
    void UpdateRecentMenu();
    void RefreshViews();
    // The close steps after the save prompt; runs once.
    void ShutDown();

    // Command handlers (MainFrameCommands.cpp).
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnSaveAs();
    void OnRecord();
    void OnPlaySong();
    void OnStopSong();
    void OnReset();
    void OnLoadAll();
    void OnQuantization();
    void OnCreateWave();
    void OnInitialiseRecord();
    void OnUndo();
    void OnOptions();
    void OnVolume();
    void OnHelp();
    void OnGotoStart();
    void OnGotoEnd();
    void OnDisplay(bool time);
    void OnSetTempo();
    void OnDeleteEvent();
    void OnEditEvent();
    void TogglePane(QWidget* pane);
    void OnInterface();
    void OnReapplySkin();
    void OnAbout();
    // The skin's colours and fonts on the frame's own panes and bars.
    void ApplyLook();
    // Devices: MIDI at creation, the link after the song exists, the notice of a lost output.
    void OpenMidi();
    void CloseMidi();
    void StartLink();
    void StopLink();
    // Runs a frame of the link on the UI thread for the server's thread, which waits for it.
    uint32_t LinkFrame(uint32_t command, std::span<const uint8_t> record);
    void OnOutputLost();
    void ShowOutputLost(const QString& problem);
    void SilenceMidi();
    // Makes the MIDI service again when its system went away with the audio output's server.
    void ReopenMidiIfLost();
    void BuildPiano();

    CChordwayApp& app_;
    CAudioOutputs outputs_;
    std::unique_ptr<CGuiMessageSink> sink_;
    std::unique_ptr<CGuiNotice> notice_;
    CGuiProgress* progress_ = nullptr;  // a child QObject
    std::unique_ptr<CMediaOutputs> loader_;
    std::unique_ptr<CChordwayDoc> doc_;
    std::unique_ptr<CScheduler> scheduler_;
    CAudioOutputs::Opener opener_;
    std::unique_ptr<CMidiService> midi_;
    // Services whose MIDI system went away: media opened on them keep them until the song goes.
    std::vector<std::unique_ptr<CMidiService>> lostMidi_;
    std::unique_ptr<IMidiInputTarget> midiTarget_;
    std::unique_ptr<CTriggerRules> triggers_;
    std::unique_ptr<CCompanionLink> link_;
    std::unique_ptr<CLinkServer> linkServer_;
    std::atomic<bool> linkStopping_{false};
    bool outputLost_ = false;
    QWidget* lostNotice_ = nullptr;  // the open notice of a lost output, if any
    std::unique_ptr<CKeyFilter> keyFilter_;

    std::vector<CommandEntry> commands_;
    std::map<int, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    QToolBar* commandsBar_ = nullptr;
    CSettingsBar* settingsBar_ = nullptr;
    CMoveBar* moveBar_ = nullptr;
    std::unique_ptr<CStatusPanes> status_;
    QSplitter* outer_ = nullptr;
    QSplitter* leftColumn_ = nullptr;
    QSplitter* rightColumn_ = nullptr;
    QWidget* pianoPane_ = nullptr;
    QWidget* mediaPane_ = nullptr;
    QWidget* timelinePane_ = nullptr;
    CActionView* eventList_ = nullptr;
    CGridView* timeline_ = nullptr;
    CMidiView* pianoView_ = nullptr;
    CChordwayView* mediaList_ = nullptr;
    bool mediaListActive_ = false;  // the media list, not the event list, had the focus last

    QString songPath_;
    int64_t startTime_ = 0;
    bool editFocus_ = false;
    bool shutDown_ = false;
    int32_t lastMediaGiven_ = 0;
    int32_t lastEventGiven_ = 0;
};

}  // namespace tessaron
