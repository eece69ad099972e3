// The main frame's skin: applying the MAIN section's colours and fonts, the Interface dialog
// and Ctrl+H.
#include <QPalette>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/CAboutDlg.h"
#include "app/CChordwayApp.h"
#include "app/CInterfaceDlg.h"
#include "app/CMainFrame.h"
#include "app/CMoveBar.h"
#include "app/CSettingsBar.h"
#include "app/CStatusPanes.h"
#include "app/SkinFolders.h"
#include "song/CChordwayDoc.h"
#include "views/CActionView.h"
#include "views/CChordwayView.h"
#include "views/CGridView.h"

namespace tessaron {

namespace {

int DotsPerInchY(const QWidget& widget)
{
    const QScreen* screen = widget.screen();
    return screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
}

}  // namespace

void CMainFrame::ApplyLook()
{
    const skin::SkinMainValues look = app_.Skin().ApplyMain(DotsPerInchY(*this));
    app_.SetLook(look);
    if (doc_) {
        doc_->Environment().keyboardOctaves = look.octaves;  // the piano's keys bind the media
    }
    const SkinFonts& fonts = app_.Skin().Fonts();
    if (eventList_) {
        const skin::ColourPair& colours = look.Colours(skin::SkinView::Event);
        QPalette palette = eventList_->palette();
        const QColor text = CSkin::Colour(colours.text, palette.color(QPalette::Text));
        const QColor background = CSkin::Colour(colours.background, palette.color(QPalette::Base));
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Base, background);
        palette.setColor(QPalette::AlternateBase, background.darker(110));
        palette.setColor(QPalette::Window, background);
        eventList_->setPalette(palette);
        eventList_->setFont(fonts.Font(0));
    }
    if (mediaList_) {
        mediaList_->ApplySkinColours(look.Colours(skin::SkinView::Media));
    }
    if (timeline_) {
        const skin::ColourPair& colours = look.Colours(skin::SkinView::Timeline);
        timeline_->SetColours(CSkin::Colour(colours.text, timeline_->TextColour()),
                              CSkin::Colour(colours.background, timeline_->BackgroundColour()));
    }
    // Font 0 is the skin's text font: the status panes and the tool bars' fields take it.
    if (status_) {
        status_->Bar().setFont(fonts.Font(0));
    }
    for (QWidget* bar : std::initializer_list<QWidget*>{commandsBar_, settingsBar_, moveBar_}) {
        if (bar) {
            bar->setFont(fonts.Font(0));
        }
    }
}

void CMainFrame::ApplySkin(const QString& path)
{
    // The views hear of it as of any change of the song: through the song's observer.
    IDocumentObserver* views = doc_ ? doc_->Environment().views : nullptr;
    if (views) {
        views->UpdateHint(view_hint::kSkinGoing, 0, true);
    }
    app_.Skin().Load(path, palette().color(QPalette::Button));
    app_.SetSkinPath(path.toStdString());
    ApplyLook();
    if (views) {
        views->UpdateHint(view_hint::kSkinApplied, 0, true);
    }
    update();
}

void CMainFrame::OnInterface()
{
    CInterfaceDlg dialog(QString::fromStdString(app_.SkinPath()), SkinFolders::Standard(), this);
    connect(&dialog, &CInterfaceDlg::applied, this, [this](const QString& path) { ApplySkin(path); });
    dialog.exec();
}

void CMainFrame::OnReapplySkin() { ApplySkin(QString::fromStdString(app_.SkinPath())); }

void CMainFrame::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

}  // namespace tessaron
