#include "app/CChordwayApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include "app/CMainFrame.h"
#include "app/DataFolders.h"
#include "audioout/CSoundDevice.h"
#include "app/CProfileStore.h"
#include "app/CSettingsStore.h"

namespace tessaron {

CChordwayApp::CChordwayApp(std::unique_ptr<IProfileStore> store)
    : store_(store ? std::move(store) : std::make_unique<CProfileStore>()),
      settingsStore_(std::make_unique<CSettingsStore>(*store_))
{
}

CChordwayApp::~CChordwayApp() = default;

std::string CChordwayApp::ProgramFolder()
{
    // The skins' folder stands for the program folder: a bare skin name is looked for there.
    return DataFolders::ProgramSkinFolder().toStdString() + "/";
}

bool CChordwayApp::Start(const QStringList& arguments)
{
    // 1-2: the company key names the store; ten recent files (CRecentFiles).
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaron"));
    // 3: the skin path.
    skinPath_ = CSettingsStore::SkinPath(settingsStore_->LoadSkinName(), ProgramFolder());
    skin_.Load(QString::fromStdString(skinPath_), QGuiApplication::palette().button().color());

    // 5: the frame, placed before it is shown.
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1280, 800);
    const PlacementRules::Decision placement =
        PlacementRules::Restore(settingsStore_->LoadWindowPlacement(), skinWindow_, screen.width(), screen.height());
    frame_ = std::make_unique<CMainFrame>(*this);
    if (placement.rect) {
        frame_->setGeometry(placement.rect->x, placement.rect->y, placement.rect->width, placement.rect->height);
    }
    if (!frame_->Create()) {
        frame_.reset();
        return false;
    }
    const QStringList songs = arguments.mid(1);
    if (!songs.isEmpty()) {
        frame_->OpenSong(songs.front());
    }
    // 6-8: drops accepted, first show.
    frame_->setAcceptDrops(true);
    frame_->ShowFirst(placement);
    return true;
}

void CChordwayApp::Exit()
{
    settingsStore_->SaveSkinName(skinPath_);
    recent_.Save();
    frame_.reset();
}

}  // namespace tessaron
