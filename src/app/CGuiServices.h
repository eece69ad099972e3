#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include <QPointer>
#include <QProgressDialog>

#include "framework/IMessageSink.h"
#include "framework/INotice.h"
#include "framework/IProgress.h"

class QWidget;

namespace tessaron {

// Posts from any thread become queued calls on the user-interface thread, where `handler`
// runs; posts that arrive after the receiver or the sink is gone are dropped.
//
// The song's position messages (bar and beat, time, memory, song cursor, song length) come up
// to 500 times a second, and only the latest of each is worth showing: they are kept in one slot
// per kind and handed on at most once per display frame, with the latest values, in the order
// of their numbers. Every other message is handed on once per post, in the order posted.
class CGuiMessageSink : public IMessageSink {
public:
    using Handler = std::function<void(uint32_t message, intptr_t first, intptr_t second)>;
    // About 30 frames a second: smooth to the eye, a small share of the scheduler's posts.
    static constexpr int kFrameMs = 33;

    CGuiMessageSink(QObject* receiver, Handler handler);
    ~CGuiMessageSink() override;
    CGuiMessageSink(const CGuiMessageSink&) = delete;
    CGuiMessageSink& operator=(const CGuiMessageSink&) = delete;

    void post(uint32_t message, intptr_t first, intptr_t second) override;
    // Whether only the latest post of `message` matters.
    static bool KeepsLatestOnly(uint32_t message);

private:
    struct Latest;
    QObject* receiver_;
    std::shared_ptr<Latest> latest_;  // shared with the queued calls, which may outlive the sink
};

// Message boxes over the main window. From another thread the box is queued, not waited for.
class CGuiNotice : public INotice {
public:
    explicit CGuiNotice(QWidget* parent) : parent_(parent) {}
    void show(std::string_view text, NoticeIcon icon) override;

private:
    QPointer<QWidget> parent_;
};

// A progress window (QProgressDialog) with Cancel. Callable from the UI thread (it then keeps
// the window painted between steps) or from a worker (calls are queued to the UI thread).
class CGuiProgress : public QObject, public IProgress {
public:
    explicit CGuiProgress(QWidget* parent);
    ~CGuiProgress() override;

    void begin(std::string_view title, int lower, int upper) override;
    void setMessage(std::string_view message) override;
    void setPosition(int position) override;
    bool cancelled() const override { return cancelled_.load(); }
    void end() override;

    // The window, while one is shown (tests press its Cancel).
    QProgressDialog* Dialog() const { return dialog_.data(); }
    // Asks the work to stop, as the Cancel button does.
    void Cancel() { cancelled_ = true; }

private:
    void OnUiThread(std::function<void()> work);

    QPointer<QWidget> parent_;
    QPointer<QProgressDialog> dialog_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace tessaron
