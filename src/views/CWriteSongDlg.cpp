#include "views/CWriteSongDlg.h"

#include <thread>

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/CGuiServices.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CSongRenderer.h"

namespace tessaron {

CWriteSongDlg::CWriteSongDlg(const QString& defaultPath, const QString& endText, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Create Wave"));
    setObjectName(QStringLiteral("WriteSongDialog"));
    auto* layout = new QVBoxLayout(this);
    // The file chooser as a part of this window, so that the render's controls sit below it.
    files_ = new QFileDialog(this, QStringLiteral("Create Wave"), QFileInfo(defaultPath).absolutePath(),
                             QStringLiteral("Wave Files (*.wav)"));
    files_->setWindowFlags(Qt::Widget);
    files_->setOption(QFileDialog::DontUseNativeDialog, true);
    files_->setAcceptMode(QFileDialog::AcceptSave);
    files_->setFileMode(QFileDialog::AnyFile);
    files_->setDefaultSuffix(QStringLiteral("wav"));
    files_->selectFile(QFileInfo(defaultPath).fileName());
    layout->addWidget(files_);

    auto* extra = new QFormLayout;
    end_ = new QLineEdit(endText, this);
    end_->setObjectName(QStringLiteral("EndText"));
    extra->addRow(QStringLiteral("Nb Beat / Time end"), end_);
    stereo_ = new QRadioButton(QStringLiteral("Stereo"), this);
    mono_ = new QRadioButton(QStringLiteral("Mono"), this);
    stereo_->setChecked(true);
    auto* channels = new QHBoxLayout;
    channels->addWidget(stereo_);
    channels->addWidget(mono_);
    channels->addStretch(1);
    extra->addRow(channels);
    extra->addRow(new QLabel(QStringLiteral("Mix files 8/16bits 11/22/44Khz Mono or Stereo"), this));
    // Present but hidden: the render always mixes at 17 bits and never plays the file back.
    resolution_ = new QComboBox(this);
    for (int bits : CSongRenderer::kResolutionBits) {
        resolution_->addItem(QStringLiteral("%1Bits").arg(bits), bits);
    }
    resolution_->setCurrentIndex(resolution_->findData(CSongRenderer::kDefaultBits));
    resolution_->hide();
    listen_ = new QCheckBox(QStringLiteral("Listen after record"), this);
    listen_->hide();
    layout->addLayout(extra);

    connect(files_, &QFileDialog::accepted, this, [this] {
        const QStringList selected = files_->selectedFiles();
        chosen_ = selected.isEmpty() ? QString() : selected.front();
        accept();
    });
    connect(files_, &QFileDialog::rejected, this, &QDialog::reject);
}

QString CWriteSongDlg::Path() const
{
    if (!chosen_.isEmpty()) {
        return chosen_;
    }
    const QStringList selected = files_->selectedFiles();
    return selected.isEmpty() ? QString() : selected.front();
}

QString CWriteSongDlg::EndText() const { return end_->text(); }

bool CWriteSongDlg::Mono() const { return mono_->isChecked(); }

int CWriteSongDlg::Bits() const { return resolution_->currentData().toInt(); }

bool CWriteSongDlg::Render(CChordwayDoc& doc, CScheduler& scheduler, const std::string& path, int32_t endMs, bool mono,
                           int bits, CGuiProgress& progress, std::string& error)
{
    bool ok = false;
    QEventLoop loop;
    CSongRenderer renderer(doc, scheduler, &progress);
    std::thread worker([&] {
        ok = renderer.Render(path, endMs, mono, bits);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    // The worker's last queued updates of the progress window run before it is gone.
    QCoreApplication::processEvents();
    error = progress.cancelled() ? std::string() : renderer.Error();
    return ok;
}

bool CWriteSongDlg::Run(CChordwayDoc& doc, CScheduler& scheduler, const QString& songPath, CGuiProgress& progress,
                        QWidget* parent)
{
    scheduler.StopSong();
    QString base = songPath.isEmpty() ? QStringLiteral("Untitled") : songPath;
    const QFileInfo info(base);
    if (!info.suffix().isEmpty()) {
        base = info.path() + QStringLiteral("/") + info.completeBaseName();
    }
    CWriteSongDlg dialog(base, QString::fromStdString(CSongRenderer::DefaultEndText(doc)), parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Path().isEmpty()) {
        return false;
    }
    const int32_t endMs = CSongRenderer::EndTextToMs(doc, dialog.EndText().toStdString());
    std::string error;
    if (!Render(doc, scheduler, dialog.Path().toStdString(), endMs, dialog.Mono(), dialog.Bits(), progress, error)) {
        if (!error.empty()) {
            QMessageBox::warning(parent, QStringLiteral("Create Wave"), QString::fromStdString(error));
        }
        return false;
    }
    return true;
}

}  // namespace tessaron
