#include "app/CGuiServices.h"

#include <algorithm>
#include <array>
#include <mutex>

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include "song/Messages.h"

namespace tessaron {

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool OnUiThread() { return QThread::currentThread() == qApp->thread(); }

}  // namespace

struct CGuiMessageSink::Latest {
    struct Slot {
        uint32_t message = 0;
        bool waiting = false;
        intptr_t first = 0;
        intptr_t second = 0;
    };
    static constexpr std::array<uint32_t, 5> kKinds = {message::kBarBeat, message::kTimeDisplay, message::kMemory,
                                                       message::kSongCursor, message::kSongLength};

    explicit Latest(Handler h) : handler(std::move(h))
    {
        for (size_t i = 0; i < kKinds.size(); ++i) {
            values[i].message = kKinds[i];
        }
    }

    // On the user-interface thread: hands on what waits, then holds the next values for a
    // frame. With nothing waiting the next post schedules a delivery again.
    static void Deliver(const std::shared_ptr<Latest>& latest, QObject* receiver)
    {
        if (!latest->alive.load()) {
            return;
        }
        std::array<Slot, kKinds.size()> due;
        {
            std::lock_guard guard(latest->mutex);
            bool any = false;
            for (size_t i = 0; i < due.size(); ++i) {
                due[i] = latest->values[i];
                any = any || due[i].waiting;
                latest->values[i].waiting = false;
            }
            if (!any) {
                latest->scheduled.store(false);
                return;
            }
        }
        for (const Slot& slot : due) {
            if (slot.waiting && latest->alive.load()) {
                latest->handler(slot.message, slot.first, slot.second);
            }
        }
        QTimer::singleShot(kFrameMs, receiver, [latest, receiver] { Deliver(latest, receiver); });
    }

    Handler handler;
    std::atomic<bool> alive{true};
    std::atomic<bool> scheduled{false};  // a delivery is queued or the frame's hold runs
    std::mutex mutex;                    // guards values
    std::array<Slot, kKinds.size()> values;
};

CGuiMessageSink::CGuiMessageSink(QObject* receiver, Handler handler)
    : receiver_(receiver), latest_(std::make_shared<Latest>(std::move(handler)))
{
}

CGuiMessageSink::~CGuiMessageSink() { latest_->alive.store(false); }

bool CGuiMessageSink::KeepsLatestOnly(uint32_t message)
{
    return std::find(Latest::kKinds.begin(), Latest::kKinds.end(), message) != Latest::kKinds.end();
}

void CGuiMessageSink::post(uint32_t message, intptr_t first, intptr_t second)
{
    if (KeepsLatestOnly(message)) {
        {
            std::lock_guard guard(latest_->mutex);
            for (Latest::Slot& slot : latest_->values) {
                if (slot.message == message) {
                    slot.first = first;
                    slot.second = second;
                    slot.waiting = true;
                }
            }
        }
        if (!latest_->scheduled.exchange(true)) {
            QMetaObject::invokeMethod(
                receiver_, [latest = latest_, receiver = receiver_] { Latest::Deliver(latest, receiver); },
                Qt::QueuedConnection);
        }
        return;
    }
    QMetaObject::invokeMethod(
        receiver_,
        [latest = latest_, message, first, second] {
            if (latest->alive.load()) {
                latest->handler(message, first, second);
            }
        },
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
