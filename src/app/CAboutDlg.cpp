#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QtGlobal>

#include "app/AppLogo.h"
#include "app/DataFolders.h"

namespace tessaron {

QString CAboutDlg::VersionText() { return QStringLiteral(TESSARON_VERSION); }

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Tessaron"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap::fromImage(DrawLogo(64)));
    logo->setAlignment(Qt::AlignTop);
    top->addWidget(logo);

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    text->setOpenExternalLinks(true);
    const QString manual = DataFolders::ManualPath();
    text->setText(tr("<h3>Tessaron %1</h3>"
                     "<p>Make music from loops: play samples, music files and MIDI files from the computer "
                     "keyboard or a MIDI keyboard in time with one tempo, record what you play on a "
                     "bars and beats timeline, edit it, and render it to a WAV file.</p>"
                     "<p>Built with Qt %2.</p>"
                     "<p>Manual: %3<br>Your own skins: %4</p>")
                      .arg(VersionText(), QString::fromLatin1(qVersion()),
                           manual.isEmpty() ? tr("not installed")
                                            : QStringLiteral("<a href=\"%1\">%2</a>")
                                                  .arg(QUrl::fromLocalFile(manual).toString(),
                                                       QDir::toNativeSeparators(manual).toHtmlEscaped()),
                           QDir::toNativeSeparators(DataFolders::UserSkinFolder()).toHtmlEscaped()));
    text->setMinimumWidth(360);
    top->addWidget(text, 1);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace tessaron
