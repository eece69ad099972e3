#include "views/CKeyFilter.h"

#include <mutex>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CTriggerRules.h"
#include "views/MediaKeyCode.h"

namespace tessaron {

CKeyFilter::CKeyFilter(CChordwayDoc& doc, CTriggerRules& rules, Hooks hooks, QObject* parent)
    : QObject(parent), doc_(doc), rules_(rules), hooks_(std::move(hooks))
{
}

CKeyFilter::~CKeyFilter() = default;

uint32_t CKeyFilter::PhysicalKey(const QKeyEvent& key)
{
    // The scan code names the physical key; platforms without one fall back to the key code.
    return key.nativeScanCode() != 0 ? key.nativeScanCode() : 0x80000000u | static_cast<uint32_t>(key.key());
}

bool CKeyFilter::MayPlay(QObject* watched, const QKeyEvent& key) const
{
    if (key.modifiers() & Qt::ControlModifier) {
        return false;
    }
    if (QApplication::activeModalWidget() != nullptr) {
        return false;
    }
    if (hooks_.editFocus && hooks_.editFocus()) {
        return false;
    }
    if (hooks_.mainWindow != nullptr) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != hooks_.mainWindow) {
            return false;
        }
    }
    return true;
}

bool CKeyFilter::HasMedia(int32_t code) const
{
    std::lock_guard guard(doc_.Lock());
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i)->pcKey == code) {
            return true;
        }
    }
    return false;
}

bool CKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // A key bound to media plays them rather than a command that shares the key.
        auto& key = static_cast<QKeyEvent&>(*event);
        const int32_t code = MediaKeyCode(key.key(), key.text());
        if (code != 0 && MayPlay(watched, key) && HasMedia(code)) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress: {
        auto& key = static_cast<QKeyEvent&>(*event);
        if (MayPlay(watched, key)) {
            return Press(key);
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto& key = static_cast<QKeyEvent&>(*event);
        // A held key is released even when a dialog opened meanwhile.
        if (held_.count(PhysicalKey(key)) != 0 || MayPlay(watched, key)) {
            return Release(key);
        }
        break;
    }
    case QEvent::ApplicationDeactivate: ReleaseAll(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

bool CKeyFilter::Press(const QKeyEvent& key)
{
    const uint32_t physical = PhysicalKey(key);
    const auto held = held_.find(physical);
    if (key.isAutoRepeat() || held != held_.end()) {
        // A repeat of a key already down: swallowed when that key plays media.
        return held != held_.end();
    }
    const int32_t code = MediaKeyCode(key.key(), key.text());
    if (code == 0) {
        return false;
    }
    const CTriggerRules::Outcome outcome = rules_.KeyDown(code);
    if (!outcome.matched) {
        return false;
    }
    held_[physical] = code;
    if (outcome.changed && hooks_.changed) {
        hooks_.changed();
    }
    return true;
}

bool CKeyFilter::Release(const QKeyEvent& key)
{
    if (key.isAutoRepeat()) {
        return held_.count(PhysicalKey(key)) != 0;
    }
    const auto held = held_.find(PhysicalKey(key));
    const int32_t code = held != held_.end() ? held->second : MediaKeyCode(key.key(), key.text());
    if (held != held_.end()) {
        held_.erase(held);
    }
    if (code == 0) {
        return false;
    }
    const CTriggerRules::Outcome outcome = rules_.KeyUp(code);
    if (outcome.changed && hooks_.changed) {
        hooks_.changed();
    }
    return outcome.matched;
}

void CKeyFilter::ReleaseAll()
{
    bool changed = false;
    const auto held = std::move(held_);
    held_.clear();
    for (const auto& [physical, code] : held) {
        changed |= rules_.KeyUp(code).changed;
    }
    if (changed && hooks_.changed) {
        hooks_.changed();
    }
}

}  // namespace tessaron
