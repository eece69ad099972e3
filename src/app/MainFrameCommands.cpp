// The main frame's commands: one table of id, text, key, handler and rules, and the handlers.
#include <functional>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "app/CChordwayApp.h"
#include "app/DataFolders.h"
#include "app/Manual.h"
#include "app/CGuiServices.h"
#include "app/CMainFrame.h"
#include "app/CMoveBar.h"
#include "app/COptionsDlg.h"
#include "app/CSettingsBar.h"
#include "app/CStatusPanes.h"
#include "audioout/CSoundDevice.h"
#include "media/CMedia.h"
#include "midi/CMidiService.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CSongFile.h"
#include "views/CActionView.h"
#include "views/CChordwayView.h"
#include "views/CVolumeWnd.h"
#include "views/CWriteSongDlg.h"

namespace tessaron {

namespace {

struct Effect {
    int id;
    const char* text;
};
const Effect kEffects[] = {
    {32860, "&Normalise"}, {32861, "Gain"},       {32862, "Noise Gate"}, {32863, "Compression"},
    {32864, "Expansion"},  {32865, "Low Pass"},   {32866, "High Pass"},  {32867, "Comb"},
    {32869, "Resonnant"},  {32875, "Delay"},      {32876, "Echo"},       {32877, "Distorsion"},
    {32878, "&Reverse"},   {32881, "Metal"},
};

}  // namespace

void CMainFrame::BuildCommands()
{
    using F = CMainFrame;
    auto song = [](auto rule) { return [rule](const CMainFrame& f) { return f.doc_ && rule(*f.doc_); }; };
    auto notPlaying = song([](const CChordwayDoc& d) { return !d.Transport().SongPlaying(); });
    auto pane = [](QWidget* F::*member) {
        return [member](const CMainFrame& f) { return f.*member && !(f.*member)->isHidden(); };
    };
    // The media list's commands, enabled by the list.
    auto media = [](int id) { return [id](const CMainFrame& f) { return f.mediaList_ && f.mediaList_->CommandEnabled(id); }; };
    auto bar = [](auto getter) { return [getter](const CMainFrame& f) { return getter(f) && !getter(f)->isHidden(); }; };

    const std::vector<CommandEntry> table = {
        {kNew, "&New", QKeySequence(Qt::CTRL | Qt::Key_N), &F::OnNew, {}, {}, "Create a new song"},
        {kOpen, "&Open..", QKeySequence(Qt::CTRL | Qt::Key_O), &F::OnOpen, {}, {}, "Open a song"},
        {kSave, "&Save", QKeySequence(Qt::CTRL | Qt::Key_S), &F::OnSave, {}, {}, "Save the song"},
        {kSaveAs, "Save &As...", {}, &F::OnSaveAs, {}, {}, "Save the song under a new name"},
        {kReset, "&Reset", QKeySequence(Qt::SHIFT | Qt::Key_Escape), &F::OnReset, {}, {}, "Reset the song"},
        {kOptions, "O&ptions", {}, &F::OnOptions, {}, {}, "Settings of the program"},
        {kInterface, "&Interface", {}, &F::OnInterface, {}, {}, "Choose the skin"},
        {kReapplySkin, "Apply the skin again", QKeySequence(Qt::CTRL | Qt::Key_H), &F::OnReapplySkin, {}, {},
         "Read the skin file again and apply it"},
        // Ctrl+Q quits, as everywhere on the desktop; the song quantization takes Ctrl+Shift+Q.
        {kQuit, "&Quit", QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr, {}, {}, "Quit Tessaron"},
        {kAddSamples, "&Samples", QKeySequence(Qt::CTRL | Qt::Key_I), nullptr, media(kAddSamples), {}, ""},
        {kAddMidi, "&Midi", QKeySequence(Qt::CTRL | Qt::Key_M), nullptr, media(kAddMidi), {}, ""},
        {kDelete, "&Delete", {}, &F::OnDeleteEvent,
         [](const CMainFrame& f) {
             return f.mediaListActive_ ? f.mediaList_->CommandEnabled(kDelete)
                                       : f.eventList_ && f.eventList_->SelectedRow() >= 0;
         },
         {}, "Delete the selected media or events"},
        {kEdit, "&Edit", {}, &F::OnEditEvent,
         [](const CMainFrame& f) {
             return f.mediaListActive_ ? f.mediaList_->CommandEnabled(kEdit)
                                       : f.eventList_ && f.eventList_->SelectedRow() >= 0;
         },
         {}, "Edit the selected media or event"},
        {kUndo, "&Undo", {}, &F::OnUndo, song([](const CChordwayDoc& d) { return d.HasUndo(); }), {}, "Undo"},
        {kSelectAll, "&Select All", QKeySequence(Qt::CTRL | Qt::Key_A), nullptr, media(kSelectAll), {}, ""},
        {kPlayMedia, "&Play", {}, nullptr, media(kPlayMedia), {}, "Play the selected media"},
        {kStopMedia, "&Stop", {}, nullptr, media(kStopMedia), {}, "Stop the selected media"},
        {kUnload, "&Unload", QKeySequence(Qt::CTRL | Qt::Key_U), nullptr, media(kUnload), {}, ""},
        {kRunEditor, "&Run Editor", QKeySequence(Qt::CTRL | Qt::Key_R), nullptr, media(kRunEditor), {}, ""},
        {kActualise, "&Actualise", {}, nullptr, media(kActualise), {}, ""},
        {kTempo, "&Tempo ", {}, nullptr, media(kTempo), {}, ""},
        {kAutoKey, "&Auto key", {}, nullptr, media(kAutoKey), {}, ""},
        {kSaveWave, "&Save Wave", {}, nullptr, media(kSaveWave), {}, ""},
        {kDisplayWave, "Display Wave", {}, nullptr, media(kDisplayWave), {}, ""},
        {kRecord, "&Record", QKeySequence(Qt::Key_Insert), &F::OnRecord, {},
         song([](const CChordwayDoc& d) { return d.Transport().RecordMode(); }), "Record mode"},
        {kPlaySong, "&Play", QKeySequence(Qt::CTRL | Qt::Key_Space), &F::OnPlaySong, {},
         song([](const CChordwayDoc& d) { return d.Transport().SongPlaying(); }), "Play a record song"},
        {kStopSong, "&Stop", QKeySequence(Qt::Key_Escape), &F::OnStopSong, {}, {}, "Stop a record song"},
        {kLoadAll, "&Load", {}, &F::OnLoadAll, song([](const CChordwayDoc& d) { return d.MediaCount() > 0; }), {},
         "Load all media into memory"},
        {kQuantization, "&Quantization", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q), &F::OnQuantization,
         song([](const CChordwayDoc& d) { return d.EventCount() > 0 && !d.Transport().SongPlaying(); }), {},
         "Calcul quantization"},
        {kCreateWave, "Create Wave", {}, &F::OnCreateWave, notPlaying, {}, "Write song in file"},
        {kInitialiseRecord, "Initialise a Song Record", QKeySequence(Qt::CTRL | Qt::Key_Delete),
         &F::OnInitialiseRecord, song([](const CChordwayDoc& d) { return d.EventCount() > 0; }), {},
         "Initialise a Song Record"},
        {kBarCommands, "&Commands", {}, nullptr, {}, bar([](const CMainFrame& f) { return f.commandsBar_; }), ""},
        {kBarSettings, "&Settings", {}, nullptr, {},
         bar([](const CMainFrame& f) -> QWidget* { return f.settingsBar_; }), ""},
        {kBarMove, "&Move Bar", {}, nullptr, {}, bar([](const CMainFrame& f) -> QWidget* { return f.moveBar_; }), ""},
        {kBarStatus, "&Status", {}, nullptr, {},
         bar([](const CMainFrame& f) -> QWidget* { return f.status_ ? &f.status_->Bar() : nullptr; }), ""},
        {kPanePiano, "&Piano", {}, nullptr, {}, pane(&F::pianoPane_), ""},
        {kPaneMedia, "&Media", {}, nullptr, {}, pane(&F::mediaPane_), ""},
        {kPaneEvent, "&Event", {}, nullptr, {},
         [](const CMainFrame& f) { return f.eventList_ && !f.eventList_->isHidden(); }, ""},
        {kPaneTimeline, "&TimeLine", {}, nullptr, {}, pane(&F::timelinePane_), ""},
        {kReportDetails, "&Details", {}, nullptr, media(kReportDetails), {}, ""},
        {kReportList, "&List", {}, nullptr, media(kReportList), {}, ""},
        {kGotoStart, "Goto the song start", {}, &F::OnGotoStart, notPlaying, {}, "Goto the song start"},
        {kGotoEnd, "Goto the song end", {}, &F::OnGotoEnd, notPlaying, {}, "Goto the song end"},
        {kQuantizationOn, "Quantization", {}, nullptr, {},
         song([](const CChordwayDoc& d) { return d.QuantizationOn(); }), "Quantization"},
        {kDisplayBar, "Display in Bar", {}, nullptr, {},
         song([](const CChordwayDoc& d) { return !d.TimeDisplay(); }), "Display in Bar"},
        {kDisplayTime, "Display in Time ms", {}, nullptr, {},
         song([](const CChordwayDoc& d) { return d.TimeDisplay(); }), "Display in Time ms"},
        {kFollowSong, "Follow song", {}, nullptr, {}, song([](const CChordwayDoc& d) { return d.FollowSong(); }),
         "Follow song"},
        {kLoopSong, "Loop song", {}, nullptr, {}, song([](const CChordwayDoc& d) { return d.LoopSong(); }),
         "Loop song"},
        {kSetTempo, "Set Tempo in Song", {}, &F::OnSetTempo, notPlaying, {}, "Set Tempo in Song"},
        {kVolume, "Volume", {}, &F::OnVolume, {}, {}, "The sound card's mixer"},
        {kAbout, "&About", {}, &F::OnAbout, {}, {}, "About Tessaron"},
        {kHelp, "Help", {}, &F::OnHelp, [](const CMainFrame&) { return QFileInfo::exists(DataFolders::ManualPath()); }, {}, "Open the manual"},
    };

    commands_ = table;
    for (const Effect& effect : kEffects) {
        commands_.push_back({effect.id, effect.text, {}, nullptr, media(effect.id), {}, ""});
    }
    for (const CommandEntry& command : commands_) {
        auto* action = new QAction(QString::fromUtf8(command.text), this);
        action->setObjectName(QStringLiteral("command%1").arg(command.id));
        action->setData(command.id);
        if (!command.key.isEmpty()) {
            action->setShortcut(command.key);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (*command.tip) {
            action->setStatusTip(QString::fromUtf8(command.tip));
            action->setToolTip(QString::fromUtf8(command.tip));
        }
        action->setCheckable(static_cast<bool>(command.checked));
        addAction(action);  // keys work with the menu bar hidden too
        connect(action, &QAction::triggered, this, [this, id = command.id] { RunCommand(id); });
        actions_[command.id] = action;
    }
}

void CMainFrame::BuildMenus()
{
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(Action(id));
            }
        }
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, {kNew, kOpen, kSave, kSaveAs, 0, kCreateWave, 0});
    recentMenu_ = file->addMenu(QStringLiteral("Recent Files"));
    add(file, {0, kQuit});

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, {kUndo, 0, kSelectAll, kDelete, kEdit, 0, kOptions, kInterface, kReapplySkin});

    QMenu* media = menuBar()->addMenu(QStringLiteral("&Media"));
    QMenu* addMenu = media->addMenu(QStringLiteral("&Add"));
    add(addMenu, {kAddSamples, kAddMidi});
    add(media, {kPlayMedia, kStopMedia, kUnload, 0, kRunEditor, kActualise, kTempo, kAutoKey, kSaveWave,
                kDisplayWave});
    QMenu* effects = media->addMenu(QStringLiteral("Effects"));
    for (const Effect& effect : kEffects) {
        effects->addAction(Action(effect.id));
    }
    QMenu* report = media->addMenu(QStringLiteral("&Report"));
    add(report, {kReportDetails, kReportList});

    QMenu* songMenu = menuBar()->addMenu(QStringLiteral("&Song"));
    add(songMenu, {kPlaySong, kStopSong, kRecord, kReset, 0, kLoadAll, kQuantization, kInitialiseRecord, 0,
                   kGotoStart, kGotoEnd, 0, kQuantizationOn, kDisplayBar, kDisplayTime, kFollowSong, kLoopSong,
                   kSetTempo, 0, kVolume});

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    add(window, {kBarCommands, kBarSettings, kBarMove, kBarStatus, 0, kPanePiano, kPaneMedia, kPaneEvent,
                 kPaneTimeline});

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    add(help, {kHelp, kAbout});

    for (QMenu* menu : {file, edit, media, songMenu, window, help}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
    }
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu()
{
    recentMenu_->clear();
    const QStringList& files = app_.RecentFiles().Files();
    for (int i = 0; i < files.size(); ++i) {
        QAction* action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(files[i]));
        action->setData(kRecentFirst + i);
        const QString path = files[i];
        connect(action, &QAction::triggered, this, [this, path] {
            if (SaveModified()) {
                OpenSong(path);
            }
        });
    }
    recentMenu_->setEnabled(!files.isEmpty());
}

void CMainFrame::UpdateCommands()
{
    for (const CommandEntry& command : commands_) {
        QAction* action = actions_[command.id];
        action->setEnabled(!command.enabled || command.enabled(*this));
        if (command.checked) {
            action->setChecked(command.checked(*this));
        }
    }
    if (status_ && doc_) {
        status_->SetRecord(doc_->Transport().RecordMode());
    }
}

void CMainFrame::RunCommand(int id)
{
    if (shutDown_ || !doc_) {
        return;
    }
    QAction* action = Action(id);
    if (action && !action->isEnabled()) {
        return;
    }
    // The media list runs its own commands; Delete and Edit go to the list that had the focus last.
    if (mediaList_ && CChordwayView::Handles(id) && ((id != kDelete && id != kEdit) || mediaListActive_)) {
        mediaList_->RunCommand(id);
        UpdateCommands();
        return;
    }
    switch (id) {
    case kQuit: close(); return;
    case kBarCommands: commandsBar_->setVisible(commandsBar_->isHidden()); break;
    case kBarSettings: settingsBar_->setVisible(settingsBar_->isHidden()); break;
    case kBarMove: moveBar_->setVisible(moveBar_->isHidden()); break;
    case kBarStatus: statusBar()->setVisible(statusBar()->isHidden()); break;
    case kPanePiano: TogglePane(pianoPane_); break;
    case kPaneMedia: TogglePane(mediaPane_); break;
    case kPaneEvent: TogglePane(eventList_); break;
    case kPaneTimeline: TogglePane(timelinePane_); break;
    case kQuantizationOn: doc_->ToggleQuantization(); break;
    case kDisplayBar: OnDisplay(false); break;
    case kDisplayTime: OnDisplay(true); break;
    case kFollowSong: doc_->ToggleFollowSong(); break;
    case kLoopSong: doc_->ToggleLoopSong(); break;
    default:
        for (const CommandEntry& command : commands_) {
            if (command.id == id && command.run) {
                (this->*command.run)();
            }
        }
        break;
    }
    UpdateCommands();
}

void CMainFrame::TogglePane(QWidget* pane)
{
    if (pane) {
        pane->setVisible(pane->isHidden());
    }
}

bool CMainFrame::SaveModified()
{
    if (!doc_ || !doc_->IsModified()) {
        return true;
    }
    const QString name = songPath_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(songPath_).fileName();
    const auto answer = QMessageBox::question(this, QStringLiteral("Tessaron"),
                                              QStringLiteral("Save changes to %1?").arg(name),
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
        return false;
    }
    if (answer == QMessageBox::Yes) {
        OnSave();
        return !doc_->IsModified();
    }
    return true;
}

bool CMainFrame::OpenSong(const QString& path)
{
    scheduler_->StopSong();
    scheduler_->WaitForIdle();
    const CSongFile::Result result = CSongFile::Open(*doc_, path.toStdString());
    if (!result.ok()) {
        if (result.status == CSongFile::Status::NotASongPath || result.status == CSongFile::Status::CannotRead) {
            QMessageBox::warning(this, QStringLiteral("Tessaron"), QString::fromStdString(result.error));
        }
        if (result.status == CSongFile::Status::CannotRead) {
            app_.RecentFiles().Remove(QFileInfo(path).absoluteFilePath());
            UpdateRecentMenu();
        }
        return false;
    }
    songPath_ = QFileInfo(path).absoluteFilePath();
    doc_->SetModified(false);
    app_.RecentFiles().Add(songPath_);
    UpdateRecentMenu();
    RefreshViews();
    return true;
}

bool CMainFrame::SaveSong(const QString& path)
{
    const CSongFile::Result result = CSongFile::Save(*doc_, path.toStdString());
    if (!result.ok()) {
        QMessageBox::critical(this, QStringLiteral("Tessaron"), QString::fromStdString(result.error));
        return false;
    }
    songPath_ = QFileInfo(path).absoluteFilePath();
    doc_->SetModified(false);
    app_.RecentFiles().Add(songPath_);
    UpdateRecentMenu();
    UpdateTitle();
    return true;
}

void CMainFrame::OnNew()
{
    if (!SaveModified()) {
        return;
    }
    scheduler_->StopSong();
    scheduler_->WaitForIdle();
    doc_->NewDocument();
    songPath_.clear();
    RefreshViews();
}

void CMainFrame::OnOpen()
{
    if (!SaveModified()) {
        return;
    }
    const QString start = songPath_.isEmpty() ? QString() : QFileInfo(songPath_).absolutePath();
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open"), start, QStringLiteral("Tessaron files (*.tsn)"));
    if (!path.isEmpty()) {
        OpenSong(path);
    }
}

void CMainFrame::OnSave()
{
    if (songPath_.isEmpty()) {
        OnSaveAs();
    } else {
        SaveSong(songPath_);
    }
}

void CMainFrame::OnSaveAs()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"),
                                                songPath_.isEmpty() ? QStringLiteral("Untitled.tsn") : songPath_,
                                                QStringLiteral("Tessaron files (*.tsn)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".tsn"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".tsn");
    }
    SaveSong(path);
}

void CMainFrame::OnRecord()
{
    scheduler_->ToggleRecordMode();
    status_->SetRecord(doc_->Transport().RecordMode());
}

void CMainFrame::OnPlaySong() { scheduler_->PlaySong(); }

void CMainFrame::OnStopSong()
{
    scheduler_->StopCommand();
    if (!doc_->Transport().SongPlaying()) {
        moveBar_->SetPosition(doc_->SongPosition());
    }
}

void CMainFrame::OnReset()
{
    scheduler_->StopAndRewind();
    SilenceMidi();
    doc_->MoveSongCursor(0);
    moveBar_->SetPosition(0);
    status_->ResetPosition(doc_->TimeDisplay());
}

void CMainFrame::OnLoadAll()
{
    progress_->begin("Load a song", 0, doc_->MediaCount());
    for (int i = 0; i < doc_->MediaCount() && !progress_->cancelled(); ++i) {
        CMedia* medium = doc_->MediumAt(i);
        progress_->setMessage("Load " + medium->name);
        progress_->setPosition(i + 1);
        if (!doc_->LoadMediumData(*medium, true)) {
            break;  // the refusal was shown
        }
    }
    progress_->end();
}

void CMainFrame::OnQuantization()
{
    std::lock_guard guard(doc_->Lock());
    doc_->QuantizeSong();
    doc_->SetModified();
    eventList_->Rebuild();
}

void CMainFrame::OnInitialiseRecord()
{
    scheduler_->ClearRecording();
    eventList_->Rebuild();
    RefreshViews();
}

void CMainFrame::OnUndo()
{
    {
        std::lock_guard guard(doc_->Lock());
        doc_->Undo();
    }
    doc_->ComputeSongLength();
    RefreshViews();
}

void CMainFrame::OnDeleteEvent() { eventList_->DeleteSelected(); }

void CMainFrame::OnEditEvent() { eventList_->EditSelected(); }

void CMainFrame::OnDisplay(bool time)
{
    doc_->SetTimeDisplay(time);
    status_->ResetPosition(time);
    eventList_->Rebuild();
}

void CMainFrame::OnSetTempo()
{
    const double typed = settingsBar_->TypedTempo();
    if (typed < 40.0 || typed > 250.0) {
        QMessageBox::warning(this, QStringLiteral("Tessaron"), QStringLiteral("The tempo must lie between 40 and 250."));
        settingsBar_->ShowSong(*doc_);
        return;
    }
    doc_->SetTempo(static_cast<float>(typed));
    doc_->SetModified();
    settingsBar_->ShowSong(*doc_);
    eventList_->Rebuild();
}

void CMainFrame::OnGotoStart()
{
    doc_->SetSongPosition(0);
    doc_->MoveSongCursor(0);
    moveBar_->SetPosition(0);
}

void CMainFrame::OnGotoEnd()
{
    const int32_t end = doc_->SongLength();
    doc_->SetSongPosition(end);
    doc_->MoveSongCursor(end);
    moveBar_->SetPosition(end);
}

void CMainFrame::OnOptions()
{
    COptionsDlg dialog(app_.Settings(), midi_ ? midi_->InputPorts() : std::vector<std::string>{},
                       midi_ ? midi_->OutputPorts() : std::vector<std::string>{}, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    doc_->Environment().settings = app_.Settings();
    status_->SetMemory(doc_->MemoryUsed(), app_.Settings().memoryMax);
    if (dialog.MidiChanged()) {
        OpenMidiPorts();
    }
}

void CMainFrame::OnVolume()
{
    CVolumeWnd window(outputs_.Current() ? &outputs_.Current()->SystemMixer() : nullptr, this);
    window.exec();
}

void CMainFrame::OnHelp() { OpenManual(this); }

void CMainFrame::OnCreateWave()
{
    scheduler_->StopSong();
    CWriteSongDlg::Run(*doc_, *scheduler_, songPath_, *progress_, this);
}

}  // namespace tessaron
