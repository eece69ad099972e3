#include "app/CGuiServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace tessaron {

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool OnUiThread() { return QThread::currentThread() == qApp->thread(); }

}  // namespace

void CGuiMessageSink::post(uint32_t message, intptr_t first, intptr_t second)
{
    QMetaObject::invokeMethod(
        receiver_, [handler = handler_, message, first, second] { handler(message, first, second); },
        Qt::QueuedConnection);
}

void CGuiNotice::show(std::string_view text, NoticeIcon icon)
{
    const QMessageBox::Icon boxIcon = icon == NoticeIcon::Error         ? QMessageBox::Critical
                                      : icon == NoticeIcon::Exclamation ? QMessageBox::Warning
                                                                        : QMessageBox::Information;
    auto* box = new QMessageBox(boxIcon, QStringLiteral("Tessaron"), ToQString(text), QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (OnUiThread()) {
        box->exec();
    } else {
        box->moveToThread(qApp->thread());
        QMetaObject::invokeMethod(box, [box] { box->open(); }, Qt::QueuedConnection);
    }
}

CGuiProgress::CGuiProgress(QWidget* parent) : parent_(parent) {}

CGuiProgress::~CGuiProgress() { delete dialog_.data(); }

void CGuiProgress::OnUiThread(std::function<void()> work)
{
    if (tessaron::OnUiThread()) {
        work();
        // Work on the UI thread keeps the window painted and its Cancel button alive.
        QApplication::processEvents();
    } else {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    }
}

void CGuiProgress::begin(std::string_view title, int lower, int upper)
{
    cancelled_ = false;
    OnUiThread([this, title = ToQString(title), lower, upper] {
        if (!dialog_) {
            dialog_ = new QProgressDialog(parent_);
            dialog_->setWindowModality(Qt::WindowModal);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            dialog_->setMinimumDuration(0);
            QObject::connect(dialog_, &QProgressDialog::canceled, this, [this] { cancelled_ = true; });
        }
        dialog_->setWindowTitle(title);
        dialog_->setLabelText(QString());
        dialog_->setRange(lower, std::max(lower, upper));
        dialog_->setValue(lower);
        dialog_->show();
    });
}

void CGuiProgress::setMessage(std::string_view message)
{
    OnUiThread([this, text = ToQString(message)] {
        if (dialog_) {
            dialog_->setLabelText(text);
        }
    });
}

void CGuiProgress::setPosition(int position)
{
    OnUiThread([this, position] {
        if (dialog_) {
            dialog_->setValue(std::min(position, dialog_->maximum()));
        }
    });
}

void CGuiProgress::end()
{
    OnUiThread([this] {
        if (dialog_) {
            dialog_->hide();
            dialog_->deleteLater();
            dialog_ = nullptr;
        }
    });
}

}  // namespace tessaron
