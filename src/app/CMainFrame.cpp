#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

#include "app/CChordwayApp.h"
#include "app/CGuiServices.h"
#include "app/CMoveBar.h"
#include "app/CSettingsBar.h"
#include "app/CSettingsStore.h"
#include "app/CStatusPanes.h"
#include "app/StatusTexts.h"
#include "audioout/CSoundDevice.h"
#include "media/CSamples.h"
#include "midi/CMidiService.h"
#include "midi/IMidiInputTarget.h"
#include "music/CLinkServer.h"
#include "song/CCompanionLink.h"
#include "song/CTriggerRules.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CMesure.h"
#include "song/CScheduler.h"
#include "song/Messages.h"
#include "song/CTriggerRules.h"
#include "views/CActionView.h"
#include "views/CChordwayView.h"
#include "views/CEmptyPane.h"
#include "views/CGridView.h"
#include "views/CKeyFilter.h"
#include "views/CMidiView.h"

namespace tessaron {

namespace {

constexpr int kLeftColumnWidth = 560;

}  // namespace

CMainFrame::CMainFrame(CChordwayApp& app) : app_(app)
{
    setObjectName(QStringLiteral("MainFrame"));
    notice_ = std::make_unique<CGuiNotice>(this);
    progress_ = new CGuiProgress(this);
    progress_->setParent(this);
    sink_ = std::make_unique<CGuiMessageSink>(this, [this](uint32_t message, intptr_t first, intptr_t second) {
        OnMessage(message, first, second);
    });
}

CMainFrame::~CMainFrame() { ShutDown(); }

bool CMainFrame::Create(const CAudioOutputs::Opener& opener)
{
    // 1-3: the skin's MAIN section; PITCHBENDRANGE before the bars.
    const int dotsPerInch = screen() ? static_cast<int>(screen()->logicalDotsPerInchY()) : 96;
    const skin::SkinMainValues look = app_.Skin().ApplyMain(dotsPerInch);
    app_.Store().LoadPitchBendRange(app_.Settings());
    // 4-5: bars, status bar, docking.
    BuildCommands();
    BuildMenus();
    BuildBars();
    // 6: audio outputs; without one the program cannot run. A lost output is posted here.
    opener_ = opener ? opener : [this](const CDeviceEntry& entry) { return CAudioOutputs::OpenDevice(entry, sink_.get()); };
    if (!outputs_.Open(CAudioOutputs::Enumerate(), opener_, notice_.get())) {
        return false;
    }
    // The card's mixer for the "Volume" window: the system's default one.
    outputs_.Current()->OpenMixer(0);
    // 7-8: start time, settings.
    startTime_ = QDateTime::currentMSecsSinceEpoch();
    app_.Store().LoadSettings(app_.Settings());
    // 9: the MIDI service and its ports.
    OpenMidi();

    // 10: the song, its scheduler and the panes.
    loader_ = std::make_unique<CMediaOutputs>(outputs_.Devices(), midi_.get());
    SongEnvironment env;
    env.sink = sink_.get();
    env.notice = notice_.get();
    env.progress = progress_;
    env.views = this;
    env.loader = loader_.get();
    env.audioDeviceCount = static_cast<int>(outputs_.Count());
    env.midiOutputPortCount = app_.midiOutputPorts;
    env.settings = app_.Settings();
    env.keyboardOctaves = look.octaves;
    doc_ = std::make_unique<CChordwayDoc>(env);
    scheduler_ = std::make_unique<CScheduler>(*doc_);
    triggers_ = std::make_unique<CTriggerRules>(*doc_, *scheduler_);
    BuildPanes();
    // 1: the skin's MAIN section and fonts, on the panes and bars now that they exist.
    ApplyLook();
    doc_->NewDocument();
    scheduler_->Start();
    settingsBar_->ShowSong(*doc_);
    RefreshViews();
    StartLink();
    return true;
}

void CMainFrame::BuildBars()
{
    commandsBar_ = new QToolBar(QStringLiteral("Commands"), this);
    commandsBar_->setObjectName(QStringLiteral("CommandsBar"));
    for (int id : std::initializer_list<int>{kNew, kOpen, kSave, 0, kPlaySong, kStopSong, kRecord, 0, kReset, 0, kPlayMedia, kStopMedia}) {
        if (id == 0) {
            commandsBar_->addSeparator();
        } else {
            commandsBar_->addAction(Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, commandsBar_);

    settingsBar_ = new CSettingsBar([this](int id) { return Action(id); }, this);
    settingsBar_->OnEditFocus([this](bool on) { SetEditFocus(on); });
    settingsBar_->OnFocusBack([this] {
        SetEditFocus(false);
        if (eventList_ && eventList_->isVisible()) {
            eventList_->setFocus();
        } else {
            setFocus();
        }
    });
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, settingsBar_);

    status_ = std::make_unique<CStatusPanes>(*statusBar());
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    addToolBarBreak(Qt::TopToolBarArea);
    moveBar_ = new CMoveBar(Action(kGotoStart), Action(kGotoEnd), this);
    moveBar_->OnUserMove([this](int32_t beat) {
        if (doc_ && !doc_->Transport().SongPlaying()) {
            doc_->SetSongPosition(beat);
            doc_->MoveSongCursor(beat);
        }
    });
    addToolBar(Qt::TopToolBarArea, moveBar_);
}

void CMainFrame::BuildPanes()
{
    outer_ = new QSplitter(Qt::Horizontal, this);
    outer_->setObjectName(QStringLiteral("OuterSplitter"));
    leftColumn_ = new QSplitter(Qt::Vertical, outer_);
    leftColumn_->setObjectName(QStringLiteral("LeftColumn"));
    rightColumn_ = new QSplitter(Qt::Vertical, outer_);
    rightColumn_->setObjectName(QStringLiteral("RightColumn"));
    BuildPiano();
    CChordwayView::Services services;
    services.scheduler = scheduler_.get();
    services.openWaveEditor = [this](CSamples& sample) { OpenWaveEditor(sample); };
    services.settings = &app_.Settings();
    services.audioDevices = [this] {
        QStringList names;
        for (const CSoundDevice* device : outputs_.Devices()) {
            names.push_back(QString::fromStdString(device->Name()));
        }
        return names;
    };
    // Port 0 is the built-in synthesizer on the audio output; the MIDI output port follows it.
    services.midiPorts = [this] {
        QStringList ports{QStringLiteral("Synthesizer")};
        if (midi_ && midi_->OutputOpen()) {
            ports.push_back(QString::fromStdString(midi_->OutputPortName()));
        }
        return ports;
    };
    services.changed = [this] {
        UpdateTitle();
        UpdateCommands();
        status_->SetMedia(mediaList_->currentIndex().row() + 1, doc_->MediaCount());
    };
    mediaList_ = new CChordwayView(*doc_, std::move(services), leftColumn_);
    mediaPane_ = mediaList_;
    connect(mediaList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateCommands(); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && mediaList_ != nullptr && (now == mediaList_ || now == mediaList_->viewport())) {
            mediaListActive_ = true;
        } else if (now != nullptr && eventList_ != nullptr && (now == eventList_ || now == eventList_->viewport())) {
            mediaListActive_ = false;
        }
    });
    timelinePane_ = timeline_ = new CGridView(*doc_, rightColumn_);
    eventList_ = new CActionView(*doc_, rightColumn_);
    eventList_->OnChanged([this] {
        UpdateTitle();
        UpdateCommands();
        status_->SetEvent(eventList_->SelectedRow() + 1, doc_->EventCount());
    });
    connect(eventList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateCommands(); });
    ConnectTimeline();
    setCentralWidget(outer_);
    outer_->setSizes({kLeftColumnWidth, std::max(100, width() - kLeftColumnWidth)});
    // The rows split at 8/15 of the height.
    const int height = std::max(150, this->height());
    leftColumn_->setSizes({height * 8 / 15, height - height * 8 / 15});
    rightColumn_->setSizes({height * 8 / 15, height - height * 8 / 15});
}

void CMainFrame::BuildPiano()
{
    CMidiView::Hooks hooks;
    hooks.runCommand = [this](int id) { RunCommand(id); };
    hooks.commandEnabled = [this](int id) { return Action(id) && Action(id)->isEnabled(); };
    // "Display Wave" opens the key's sample in the wave editor; editing a key's medium is the
    // media list's command, on that medium selected in the list.
    hooks.mediaCommandAvailable = [this](int id, int mediaIndex) {
        if (mediaIndex < 0 || mediaIndex >= doc_->MediaCount()) {
            return false;
        }
        if (id == kDisplayWave) {
            return true;
        }
        if (mediaList_ == nullptr) {
            return false;
        }
        mediaList_->selectRow(mediaIndex);
        return mediaList_->CommandEnabled(id);
    };
    hooks.runMediaCommand = [this](int id, int mediaIndex) {
        if (mediaIndex < 0 || mediaIndex >= doc_->MediaCount()) {
            return;
        }
        if (id == kDisplayWave) {
            OpenWaveEditor(*doc_->MediumAt(mediaIndex));
        } else if (mediaList_ != nullptr) {
            mediaList_->selectRow(mediaIndex);
            mediaList_->RunCommand(id);
        }
    };
    hooks.mediaChanged = [this] {
        doc_->SetModified();
        status_->SetMedia(0, doc_->MediaCount());
        UpdateTitle();
        UpdateCommands();
    };
    hooks.resetPosition = [this] {
        status_->ResetPosition(doc_->TimeDisplay());
        moveBar_->SetPosition(0);
    };
    pianoView_ = new CMidiView(*doc_, *scheduler_, *triggers_, &app_.Skin(), hooks, leftColumn_);
    pianoPane_ = pianoView_;

    // Keys play media wherever the focus is in the window.
    CKeyFilter::Hooks keys;
    keys.mainWindow = this;
    keys.editFocus = [this] { return editFocus_; };
    keys.changed = [this] { UpdateCommands(); };
    keyFilter_ = std::make_unique<CKeyFilter>(*doc_, *triggers_, keys);
    QApplication::instance()->installEventFilter(keyFilter_.get());
}

void CMainFrame::ShowFirst(const PlacementRules::Decision& placement)
{
    if (placement.Maximized()) {
        // Without a window manager nothing would size a maximized window: give it the screen.
        if (QScreen* current = screen()) {
            setGeometry(current->availableGeometry());
        }
        showMaximized();
    } else {
        show();
    }
    // Maximized, the first row of the left column takes two thirds of the height; the column
    // keeps its width so that the right column stays in sight.
    const int height = std::max(150, outer_->height());
    if (placement.Maximized()) {
        leftColumn_->setSizes({height * 2 / 3, height - height * 2 / 3});
    } else {
        leftColumn_->setSizes({height * 8 / 15, height - height * 8 / 15});
    }
    rightColumn_->setSizes({height * 8 / 15, height - height * 8 / 15});
    outer_->setSizes({kLeftColumnWidth, std::max(100, outer_->width() - kLeftColumnWidth)});
}

QAction* CMainFrame::Action(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::UpdateTitle()
{
    const QString name = songPath_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(songPath_).completeBaseName();
    setWindowTitle(name + QStringLiteral(" - Tessaron"));
}

void CMainFrame::RefreshViews()
{
    if (!doc_) {
        return;
    }
    eventList_->SetDocument(*doc_);
    timeline_->SetDocument(*doc_);
    mediaList_->SetDocument(*doc_);
    settingsBar_->ShowSong(*doc_);
    status_->ResetPosition(doc_->TimeDisplay());
    status_->SetMedia(0, doc_->MediaCount());
    status_->SetEvent(0, doc_->EventCount());
    status_->SetMemory(doc_->MemoryUsed(), app_.Settings().memoryMax);
    status_->SetRecord(doc_->Transport().RecordMode());
    moveBar_->SetRange(doc_->SongLength());
    moveBar_->SetPosition(doc_->SongPosition());
    UpdateTitle();
    UpdateCommands();
}

void CMainFrame::OnMessage(uint32_t message, intptr_t first, intptr_t second)
{
    if (shutDown_ || !doc_) {
        return;
    }
    switch (message) {
    case message::kBarBeat: {
        const status_text::BarBeat position = status_text::DecodeBarBeat(first, second);
        status_->SetBarBeat(position.bar, position.beat, position.tick);
        if (doc_->MediaCount() > 0 || doc_->EventCount() > 0) {
            moveBar_->SetPosition(status_text::MoveBarPosition(position, doc_->BeatsPerBar()));
        }
        break;
    }
    case message::kTimeDisplay: {
        status_->SetTime(second);
        CMesure position(0, 0.0f, doc_->BeatsPerBar());
        position.FromMs(static_cast<int32_t>(second), doc_->EffectiveTempo());
        moveBar_->SetPosition(position.Beats());
        break;
    }
    case message::kMemory: status_->SetMemory(second, app_.Settings().memoryMax); break;
    case message::kSongLength: moveBar_->SetRange(static_cast<int32_t>(second)); break;
    case message::kEventFired:
        if (eventList_) {
            eventList_->SelectFired(static_cast<int>(second));
            status_->SetEvent(static_cast<int32_t>(second) + 1, doc_->EventCount());
        }
        break;
    case message::kSongCursor: timeline_->SongCursor(static_cast<int32_t>(second)); break;
    case message::kMediumState:
    case message::kMediumEnded:  // a MIDI medium played to its end: shown as stopped
        if (pianoView_) {
            pianoView_->MediumState(static_cast<int>(first), reinterpret_cast<const CMedia*>(second));
        }
        if (mediaList_) {
            mediaList_->MediumStateChanged(reinterpret_cast<const CMedia*>(second));
        }
        UpdateCommands();
        break;
    case CMidiService::kInputMessage:
        if (triggers_) {
            triggers_->HandleMessage(static_cast<uint32_t>(second));
        }
        break;
    case CSoundDevice::kMessageOutputLost: OnOutputLost(); break;
    default: break;
    }
}

void CMainFrame::UpdateHint(int hint, intptr_t value, bool toMediaList)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, hint, value, toMediaList] { UpdateHint(hint, value, toMediaList); }, Qt::QueuedConnection);
        return;
    }
    if (shutDown_ || !doc_) {
        return;
    }
    if (eventList_) {
        eventList_->UpdateHint(hint);
    }
    if (pianoView_) {
        pianoView_->UpdateHint(hint);
    }
    if (mediaList_ && toMediaList) {
        mediaList_->UpdateHint(hint);
    }
    if (timeline_) {
        timeline_->UpdateHint(hint, value);
    }
    switch (hint) {
    case view_hint::kDisplayInBars:
    case view_hint::kDisplayInTime: status_->ResetPosition(doc_->TimeDisplay()); break;
    case view_hint::kEventRecorded:
        status_->SetEvent(static_cast<int32_t>(value) + 1, doc_->EventCount());
        eventList_->SelectFired(static_cast<int>(value));
        break;
    case view_hint::kTempoChanged: settingsBar_->ShowSong(*doc_); break;
    default: break;
    }
    UpdateCommands();
}

void CMainFrame::Notice(ListNotice notice)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, notice] { Notice(notice); }, Qt::QueuedConnection);
        return;
    }
    if (shutDown_ || !doc_) {
        return;
    }
    CloseWaveEditors(false);
    if (pianoView_) {
        pianoView_->MediaChanged();
    }
    if (notice == ListNotice::MediaChanged) {
        mediaList_->MediaChanged();
        status_->SetMedia(0, doc_->MediaCount());
        timeline_->FullUpdate();
    } else {
        RefreshViews();
    }
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip && status_) {
        status_->SetPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile() && SaveModified()) {
        OpenSong(urls.front().toLocalFile());
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (shutDown_) {
        event->accept();
        return;
    }
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void CMainFrame::ShutDown()
{
    if (shutDown_ || !doc_) {
        return;
    }
    shutDown_ = true;
    StopLink();
    if (keyFilter_) {
        QApplication::instance()->removeEventFilter(keyFilter_.get());
        keyFilter_->ReleaseAll();
    }
    // 2: the scheduler; 3: MIDI; 4: the audio outputs.
    scheduler_->StopSong();
    scheduler_->ShutDown();
    CloseMidi();
    delete lostNotice_;
    lostNotice_ = nullptr;
    outputs_.Close();
    // 5: the settings.
    app_.Store().SaveSettings(app_.Settings());
    // 6: the views and the song, then the placement.
    CloseWaveEditors(true);
    eventList_ = nullptr;
    timeline_ = nullptr;
    pianoView_ = nullptr;
    mediaList_ = nullptr;
    delete takeCentralWidget();
    keyFilter_.reset();
    triggers_.reset();
    scheduler_.reset();
    doc_.reset();
    loader_.reset();
    midi_.reset();  // after the song: its MIDI media play through the service's ports
    lostMidi_.clear();
    const QSize screenSize = screen() ? screen()->size() : QSize(0, 0);
    const QRect frame = geometry();
    app_.Store().SaveWindowPlacement(PlacementRules::Save({frame.x(), frame.y(), frame.width(), frame.height()},
                                                          isMaximized(), isMinimized(), screenSize.width(),
                                                          screenSize.height()));
    app_.RecentFiles().Save();
}

}  // namespace tessaron
