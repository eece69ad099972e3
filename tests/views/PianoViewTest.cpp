// The piano view with the program's own skin, real samples on the offline output and the
// scheduler ticked by hand: keys, mouse, switches, transport, drops and meters, heard or seen
// in the song, not just counted.
#include "ViewTest.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSlider>
#include <QToolTip>
#include <QUrl>

#include "app/CSkin.h"
#include "framework/CMessageRecorder.h"
#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "media/SampleFixtures.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CTriggerRules.h"
#include "song/IDocumentObserver.h"
#include "song/Messages.h"
#include "views/CChordwayView.h"
#include "views/CKeyFilter.h"
#include "views/CMidiView.h"
#include "views/CPianoSurface.h"

namespace tessaron::test {

namespace {

// A song on the offline output with the piano view of the program's skin and the key filter.
struct Piano {
    Piano() : outputs({&out.device}), doc(Environment()), scheduler(doc), rules(doc, scheduler)
    {
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        tone = WriteWav(dir, "tone.wav", format, SinePcm(format, 44100, 440.0, 0.5));
        skin.Load(QStringLiteral(TESSARON_SOURCE_DIR "/data/skins/rqconfig.ini"), QColor(192, 192, 192));
        skin.ApplyMain(96);
        CMidiView::Hooks hooks;
        hooks.runCommand = [this](int id) { commands.push_back(id); };
        hooks.commandEnabled = [](int id) { return id == CMidiView::kAdd; };
        hooks.mediaChanged = [this] { ++mediaChanges; };
        hooks.resetPosition = [this] { ++positionResets; };
        view = std::make_unique<CMidiView>(doc, scheduler, rules, &skin, hooks);
        view->resize(900, 330);
        view->show();
        CKeyFilter::Hooks keys;
        keys.mainWindow = view.get();
        keys.editFocus = [this] { return editFocus; };
        filter = std::make_unique<CKeyFilter>(doc, rules, keys);
        qApp->installEventFilter(filter.get());
    }
    ~Piano() { qApp->removeEventFilter(filter.get()); }

    SongEnvironment Environment()
    {
        SongEnvironment env;
        env.sink = &messages;
        env.notice = &notices;
        env.loader = &outputs;
        env.audioDeviceCount = 1;
        return env;
    }

    CSamples* AddSample(int32_t midiKey, int32_t pcKey = 0, bool hold = false)
    {
        auto sample = std::make_unique<CSamples>(tone, "tone", 44100, 1000, "", "", 120.0f, 0, 0, 0);
        sample->dataSize = 44100 * 4;
        sample->endOffset = 1000;
        sample->midiNote = midiKey;
        sample->pcKey = pcKey;
        if (hold) {
            sample->flags |= CMedia::kFlagHold;
        }
        auto* added = static_cast<CSamples*>(doc.InsertMedium(doc.MediaCount(), std::move(sample)));
        view->MediaChanged();
        return added;
    }

    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            scheduler.Tick();
        }
    }

    double Heard()
    {
        const auto left = Channel(out.Render(4410), 2, 0);
        return Rms(left.data(), left.size(), 1);
    }

    void Key(QEvent::Type type, int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = {},
             bool autoRepeat = false)
    {
        QKeyEvent event(type, key, modifiers, text, autoRepeat);
        QApplication::sendEvent(view.get(), &event);
    }
    void Tap(int key, Qt::KeyboardModifiers modifiers = {})
    {
        Key(QEvent::KeyPress, key, QString(), modifiers);
        Key(QEvent::KeyRelease, key, QString(), modifiers);
    }

    void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint at, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(at), view->Surface()->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(view->Surface(), &event);
    }

    // A click of the left button on a control over a key, where the view draws it.
    void Click(int field, int key)
    {
        const QPoint at = view->ControlRect(field, key).center();
        Mouse(QEvent::MouseButtonPress, Qt::LeftButton, at, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, at, Qt::NoButton);
    }
    // The left button pressed at `from`, moved to `to` and let go there.
    void Drag(QPoint from, QPoint to)
    {
        Mouse(QEvent::MouseButtonPress, Qt::LeftButton, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, Qt::NoButton, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, to, Qt::NoButton);
    }

    // A drag entering the keys and dropped: what the desktop sends.
    bool Drop(QPoint at, QMimeData* data)
    {
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->Surface(), &enter);
        QDropEvent event(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->Surface(), &event);
        return enter.isAccepted() && event.isAccepted();
    }

    int MediumStateMessages(int code)
    {
        int n = 0;
        for (const auto& m : messages.messagesOf(message::kMediumState)) {
            n += m.first == code ? 1 : 0;
        }
        return n;
    }

    TempDir dir;
    std::string tone;
    OfflineDevice out;
    CMediaOutputs outputs;
    CMessageRecorder messages;
    CNoticeRecorder notices;
    CChordwayDoc doc;
    CScheduler scheduler;
    CTriggerRules rules;
    CSkin skin;
    std::unique_ptr<CMidiView> view;
    std::unique_ptr<CKeyFilter> filter;
    bool editFocus = false;
    std::vector<int> commands;
    int mediaChanges = 0;
    int positionResets = 0;
};

}  // namespace

class PianoViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Piano> p_;

private slots:
    void init() { p_ = std::make_unique<Piano>(); }
    void cleanup() { p_.reset(); }

    void buildsTheSkinsKeyboardAndControls()
    {
        Piano& p = *p_;
        QVERIFY(p.view->Built());
        QCOMPARE(p.view->Geometry().KeyCount(), 24);
        QCOMPARE(p.view->Geometry().Left(), 64);  // NOTE x, y of the skin
        QCOMPARE(p.view->Geometry().Top(), 174);
        QCOMPARE(p.view->Geometry().WhiteWidth(), 36);
        // One control of each field over every key, found where it is drawn; a meter takes no
        // clicks, so a point on it finds nothing.
        const QRect surface = p.view->Surface()->rect();
        for (int field = CMidiView::kLevel; field <= CMidiView::kSync; ++field) {
            for (int key = 0; key < 24; ++key) {
                const QRect rect = p.view->ControlRect(field, key);
                QVERIFY2(!rect.isEmpty() && surface.contains(rect),
                         qPrintable(QStringLiteral("field %1 key %2").arg(field).arg(key)));
                const int expected = field == CMidiView::kLevel ? -1 : 100 * field + key;
                QCOMPARE(p.view->ControlAt(rect.center().x(), rect.center().y()), expected);
                QCOMPARE(p.view->ControlAt(rect.left(), rect.top()), expected);
                QCOMPARE(p.view->ControlAt(rect.right(), rect.bottom()), expected);
            }
        }
        QVERIFY(p.view->ControlRect(CMidiView::kMute, 24).isEmpty());
        QCOMPARE(p.view->ControlAt(0, 0), -1);
        // Half a white key from key to key, a whole one after E and B.
        const int white = p.view->Geometry().WhiteWidth();
        QCOMPARE(p.view->ControlRect(CMidiView::kSolo, 1).x() - p.view->ControlRect(CMidiView::kSolo, 0).x(), white / 2);
        QCOMPARE(p.view->ControlRect(CMidiView::kSolo, 5).x() - p.view->ControlRect(CMidiView::kSolo, 4).x(), white);
        QCOMPARE(p.view->ControlRect(CMidiView::kSolo, 12).x() - p.view->ControlRect(CMidiView::kSolo, 11).x(), white);
        // The mute button takes the built-in bitmap's size (w and h of -1), 9 x 10, and the
        // field's tip shows over it.
        const QRect mute = p.view->ControlRect(CMidiView::kMute, 3);
        QCOMPARE(mute.size(), QSize(9, 10));
        QCOMPARE(p.view->ControlTip(CMidiView::kMute, 3), QStringLiteral("Mute"));
        QHelpEvent help(QEvent::ToolTip, mute.center(), p.view->Surface()->mapToGlobal(mute.center()));
        QApplication::sendEvent(p.view->Surface(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Mute"));
        // No per-key control is a window of its own; the single ones are.
        QCOMPARE(p.view->Surface()->findChildren<QWidget*>().size(), qsizetype(10));
        for (int id : {10, 11, 12, 18, 19, 20, 21, 22, 23}) {
            QVERIFY(p.view->Surface()->findChild<QWidget*>(QStringLiteral("control%1").arg(id)));
        }
        QCOMPARE(p.doc.Environment().keyboardOctaves, 2);
        // A full repaint draws without a fault.
        const QImage shot = p.view->Surface()->grab().toImage();
        QCOMPARE(shot.pixelColor(p.view->KeyPoint(0)), QColor(250, 250, 238));  // the skin's WHITE ct
        // A button is drawn with its on image once clicked, and the click reached the key.
        p.Click(CMidiView::kMute, 3);
        QVERIFY(p.view->Checked(CMidiView::kMute, 3));
        QVERIFY(p.view->Surface()->grab(mute).toImage() != shot.copy(mute));
        p.Click(CMidiView::kMute, 3);
        QVERIFY(!p.view->Checked(CMidiView::kMute, 3));
        QCOMPARE(p.view->Surface()->grab(mute).toImage(), shot.copy(mute));
    }

    void keyboardPlaysOnceIgnoresRepeatsAndSustains()
    {
        Piano& p = *p_;
        CSamples* once = p.AddSample(12, 'Q');
        CSamples* held = p.AddSample(13, 'S', true);
        p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"));
        p.Ticks(2);
        QVERIFY(once->IsDevicePlaying());
        QVERIFY(p.Heard() > 0.2);
        // Auto-repeat, and a press of a key still down, start nothing again.
        p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"), {}, true);
        p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"));
        p.Ticks(2);
        QCOMPARE(once->playCount, 1);
        p.Key(QEvent::KeyRelease, Qt::Key_Q, QStringLiteral("q"));
        p.Ticks(2);
        QVERIFY(!once->IsDevicePlaying());

        // Control held, a tool-bar field typing or a modal dialog: the key plays nothing.
        p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"), Qt::ControlModifier);
        p.Key(QEvent::KeyRelease, Qt::Key_Q, QStringLiteral("q"), Qt::ControlModifier);
        p.editFocus = true;
        p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"));
        p.Key(QEvent::KeyRelease, Qt::Key_Q, QStringLiteral("q"));
        p.editFocus = false;
        {
            QDialog dialog;
            dialog.setModal(true);
            dialog.show();
            QVERIFY(QApplication::activeModalWidget() == &dialog);
            p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"));
            p.Key(QEvent::KeyRelease, Qt::Key_Q, QStringLiteral("q"));
        }
        p.Ticks(2);
        QCOMPARE(once->playCount, 1);

        // A sustaining medium restarts on every press and ignores the release.
        p.Key(QEvent::KeyPress, Qt::Key_S, QStringLiteral("s"));
        p.Key(QEvent::KeyRelease, Qt::Key_S, QStringLiteral("s"));
        p.Ticks(2);
        QVERIFY(held->IsDevicePlaying());
        p.Key(QEvent::KeyPress, Qt::Key_S, QStringLiteral("s"));
        p.Ticks(2);
        QCOMPARE(held->playCount, 2);
        QVERIFY(held->IsDevicePlaying());

        // A key still down when the program loses the focus is released.
        p.Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"));
        p.Ticks(2);
        QVERIFY(once->IsDevicePlaying());
        QCOMPARE(p.filter->HeldCount(), size_t(2));
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QApplication::sendEvent(qApp, &deactivate);
        p.Ticks(2);
        QVERIFY(!once->IsDevicePlaying());
        QCOMPARE(p.filter->HeldCount(), size_t(0));
    }

    // A punctuation key reaches its media through its character, and its release the same
    // media even when Shift changed the character meanwhile.
    void punctuationKeysPlayByTheirCharacter()
    {
        Piano& p = *p_;
        CSamples* comma = p.AddSample(14, ',');
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Comma, Qt::NoModifier, 51, 0, 0, QStringLiteral(","));
        QApplication::sendEvent(p.view.get(), &press);
        p.Ticks(2);
        QVERIFY(comma->IsDevicePlaying());
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Less, Qt::ShiftModifier, 51, 0, 0, QStringLiteral("<"));
        QApplication::sendEvent(p.view.get(), &release);
        p.Ticks(2);
        QVERIFY(!comma->IsDevicePlaying());
    }

    void mousePlaysAcrossKeysAndHoldKeepsAKey()
    {
        Piano& p = *p_;
        CSamples* c = p.AddSample(12);
        CSamples* d = p.AddSample(14);
        CSamples* e = p.AddSample(16);
        p.Click(CMidiView::kHold, 2);
        QVERIFY(d->IsHold());
        p.Mouse(QEvent::MouseButtonPress, Qt::LeftButton, p.view->KeyPoint(0), Qt::LeftButton);
        QCOMPARE(p.view->PressedKey(), 0);
        QCOMPARE(p.view->Surface()->cursor().shape(), Qt::PointingHandCursor);
        p.Ticks(2);
        QVERIFY(c->IsDevicePlaying());
        p.Mouse(QEvent::MouseMove, Qt::NoButton, p.view->KeyPoint(2), Qt::LeftButton);
        p.Ticks(2);
        QVERIFY(!c->IsDevicePlaying());
        QVERIFY(d->IsDevicePlaying());
        p.Mouse(QEvent::MouseMove, Qt::NoButton, p.view->KeyPoint(4), Qt::LeftButton);
        p.Ticks(2);
        QVERIFY(d->IsDevicePlaying());  // HOLD is on
        QVERIFY(e->IsDevicePlaying());
        p.Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, p.view->KeyPoint(4), Qt::NoButton);
        p.Ticks(2);
        QVERIFY(!e->IsDevicePlaying());
        QVERIFY(d->IsDevicePlaying());
        QCOMPARE(p.view->PressedKey(), -1);
        QCOMPARE(p.view->Surface()->cursor().shape(), Qt::ArrowCursor);

        // The middle button stops a playing key.
        p.view->Poll();
        p.Mouse(QEvent::MouseButtonPress, Qt::MiddleButton, p.view->KeyPoint(2), Qt::MiddleButton);
        p.Mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, p.view->KeyPoint(2), Qt::NoButton);
        p.Ticks(2);
        QVERIFY(!d->IsDevicePlaying());

        // A key without media is not pressed; a double click is one more click.
        p.Mouse(QEvent::MouseButtonPress, Qt::LeftButton, p.view->KeyPoint(7), Qt::LeftButton);
        QCOMPARE(p.view->PressedKey(), -1);
        p.Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, p.view->KeyPoint(7), Qt::NoButton);
        p.Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, p.view->KeyPoint(0), Qt::LeftButton);
        p.Ticks(2);
        QVERIFY(c->IsDevicePlaying());
        p.Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, p.view->KeyPoint(0), Qt::NoButton);
    }

    void pitchBendArrowsStepAndSpringBack()
    {
        Piano& p = *p_;
        CSamples* sample = p.AddSample(12);
        p.rules.Press({0});
        p.Ticks(2);
        p.messages.clear();
        p.view->SelectKey(0);
        QCOMPARE(p.rules.SelectedKey(), 0);
        p.Key(QEvent::KeyPress, Qt::Key_Up);
        p.Key(QEvent::KeyPress, Qt::Key_Up, QString(), {}, true);
        p.Key(QEvent::KeyRelease, Qt::Key_Up, QString(), {}, true);  // repeats do not release
        p.Key(QEvent::KeyPress, Qt::Key_Up, QString(), {}, true);
        QCOMPARE(p.view->PitchBendValue(), 30);
        QCOMPARE(p.view->Slider(CMidiView::kPitchBend)->value(), 30);
        p.Ticks(1);
        QCOMPARE(p.MediumStateMessages(CAction::kPitchChange), 3);
        QCOMPARE(p.messages.messagesOf(message::kMediumState).back().second, reinterpret_cast<intptr_t>(sample));
        p.Key(QEvent::KeyRelease, Qt::Key_Up);
        QCOMPARE(p.view->PitchBendValue(), 0);
        QCOMPARE(p.view->Slider(CMidiView::kPitchBend)->value(), 0);
        for (int i = 0; i < 60; ++i) {
            p.Key(QEvent::KeyPress, Qt::Key_Down, QString(), {}, i > 0);
        }
        QCOMPARE(p.view->PitchBendValue(), -500);
    }

    void aloneLoopStopsTheOtherKeys()
    {
        Piano& p = *p_;
        CSamples* one = p.AddSample(13);
        CSamples* three = p.AddSample(15);
        CSamples* five = p.AddSample(17);
        p.rules.Press({0, 2});
        p.Ticks(2);
        QVERIFY(one->IsDevicePlaying() && five->IsDevicePlaying());
        p.Click(CMidiView::kActive, 3);
        QCOMPARE(p.view->SelectedKey(), 3);
        p.view->Button(CMidiView::kAloneLoop)->click();
        p.Ticks(2);
        QVERIFY(three->IsDevicePlaying());
        QVERIFY(three->IsContinuousLoop() || three->IsLoop());
        QVERIFY(!one->IsDevicePlaying());
        QVERIFY(!five->IsDevicePlaying());
        // ACTIVE on another key moves the selection; STOP stops it, PLAY1 plays it once.
        p.Click(CMidiView::kActive, 5);
        QVERIFY(!p.view->Checked(CMidiView::kActive, 3));
        p.view->Button(CMidiView::kPlay1)->click();
        p.Ticks(2);
        QVERIFY(five->IsDevicePlaying());
        QVERIFY(!five->IsLoop());
        QVERIFY(three->IsDevicePlaying());
        p.view->Button(CMidiView::kStop)->click();
        p.Ticks(2);
        QVERIFY(!five->IsDevicePlaying());
    }

    void sequencePlaysAKeysMediaOneAfterAnother()
    {
        Piano& p = *p_;
        CSamples* first = p.AddSample(15);
        CSamples* second = p.AddSample(15);
        p.view->SelectKey(3);
        p.view->Button(CMidiView::kSequence)->click();
        p.Ticks(2);
        QVERIFY(first->IsDevicePlaying());
        QVERIFY(!second->IsDevicePlaying());
        p.Ticks(500);  // the first one's 1000 ms
        QVERIFY(second->IsDevicePlaying());
    }

    void keyCommandsActOnTheSelectedKey()
    {
        Piano& p = *p_;
        CSamples* sample = p.AddSample(12);
        p.view->SelectKey(0);
        p.Tap(Qt::Key_Space);
        p.Ticks(2);
        QVERIFY(sample->IsDevicePlaying());
        QVERIFY(sample->IsLoop());
        p.Tap(Qt::Key_Backspace);
        p.Ticks(2);
        QVERIFY(!sample->IsDevicePlaying());
        p.Tap(Qt::Key_Return);
        p.Ticks(2);
        QVERIFY(sample->IsDevicePlaying());
        QVERIFY(!sample->IsLoop());
        p.Tap(Qt::Key_Escape);
        QVERIFY(p.view->Checked(CMidiView::kMute, 0));
        QCOMPARE(sample->muteFlag, 1);
        p.Tap(Qt::Key_Escape);
        QCOMPARE(sample->muteFlag, 0);
        p.Tap(Qt::Key_PageDown);
        p.Ticks(1);
        QCOMPARE(sample->volume, -10);
        p.Tap(Qt::Key_PageDown);
        p.Ticks(1);
        QCOMPARE(sample->volume, -20);
        QCOMPARE(p.view->Value(CMidiView::kVol, 0), -20);
        p.Tap(Qt::Key_End);
        p.Ticks(1);
        QCOMPARE(sample->volume, -1000);
        p.Tap(Qt::Key_Home);
        p.Ticks(1);
        QCOMPARE(sample->volume, 0);
        p.Tap(Qt::Key_Asterisk, Qt::KeypadModifier);
        p.Ticks(1);
        QCOMPARE(sample->pan, 10);
        p.Tap(Qt::Key_Right);
        QCOMPARE(p.view->SelectedKey(), 1);
        QVERIFY(p.view->Checked(CMidiView::kActive, 1));
        QVERIFY(!p.view->Checked(CMidiView::kActive, 0));
        p.Tap(Qt::Key_Left);
        p.Tap(Qt::Key_Left);
        QCOMPARE(p.view->SelectedKey(), 0);
        p.Tap(Qt::Key_Tab);
        QCOMPARE(p.positionResets, 1);
        QVERIFY(p.view->hasFocus() || !p.view->isActiveWindow());  // Tab moved no focus
    }

    // The sliders over the keys, with the mouse: pressed beside the thumb the volume jumps
    // there, held by the thumb it follows the pointer, the wheel steps it; the pan knob turns
    // as it is dragged. Their ends are silence and the ends of the stereo field.
    void slidersSendVolumeAndPanWithTheirEnds()
    {
        Piano& p = *p_;
        CSamples* sample = p.AddSample(12);
        const QRect volume = p.view->ControlRect(CMidiView::kVol, 0);
        p.Drag(QPoint(volume.center().x(), volume.bottom()), QPoint(volume.center().x(), volume.bottom()));
        p.Ticks(1);
        QCOMPARE(sample->volume, -1000);  // the bottom is silence
        QCOMPARE(p.view->Value(CMidiView::kVol, 0), CMidiView::kVolumeMin);
        p.Mouse(QEvent::MouseButtonPress, Qt::LeftButton, QPoint(volume.center().x(), volume.top()), Qt::LeftButton);
        p.Ticks(1);
        QCOMPARE(sample->volume, 0);  // the top is full
        p.Mouse(QEvent::MouseMove, Qt::NoButton, volume.center(), Qt::LeftButton);
        p.Ticks(1);
        QVERIFY2(sample->volume < -150 && sample->volume > -200, qPrintable(QString::number(sample->volume)));
        p.Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, volume.center(), Qt::NoButton);
        // Held by its thumb, it does not jump: it moves as far as the pointer does.
        const int before = sample->volume;
        const QRect thumb = p.view->Controls().ThumbRect(CMidiView::kVol, 0);
        p.Drag(thumb.center() + QPoint(0, 1), thumb.center() + QPoint(0, 1));
        p.Ticks(1);
        QCOMPARE(sample->volume, before);
        QWheelEvent wheel(QPointF(volume.center()), QPointF(p.view->Surface()->mapToGlobal(volume.center())), QPoint(),
                          QPoint(0, 2 * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(p.view->Surface(), &wheel);
        QVERIFY(wheel.isAccepted());
        p.Ticks(1);
        QCOMPARE(sample->volume, before + 20);
        // Dragging the keys never moves a slider, and a slider never plays a key.
        QCOMPARE(p.view->PressedKey(), -1);

        const QRect pan = p.view->ControlRect(CMidiView::kPan, 0);
        p.Drag(pan.center(), pan.center() + QPoint(60, -60));
        p.Ticks(1);
        QCOMPARE(sample->pan, 1000);  // turned past its end: the right end of the field
        p.Drag(pan.center(), pan.center() + QPoint(-20, 0));
        p.Ticks(1);
        QCOMPARE(sample->pan, 400);
        p.Drag(pan.center(), pan.center() + QPoint(0, 200));
        p.Ticks(1);
        QCOMPARE(sample->pan, -1000);
        QCOMPARE(p.view->Value(CMidiView::kPan, 0), -CMidiView::kPanRange);
    }

    // What a key's controls give a medium that arrives on it (the companion link with AUTOVOL):
    // the MIDI key finds its piano key, and the controls' ends read as silence and field ends.
    void keyLevelsReadTheKeysControls()
    {
        Piano& p = *p_;
        const int keys = p.view->Keys().KeyCount();
        p.view->ControlMoved(CMidiView::kVol, 2, -90);
        p.view->ControlMoved(CMidiView::kPan, 2, -250);
        int32_t volume = 0;
        int32_t pan = 0;
        QVERIFY(p.view->KeyLevels(14, volume, pan));
        QCOMPARE(volume, -90);
        QCOMPARE(pan, -250);
        QVERIFY(p.view->KeyLevels(14 + keys, volume, pan));  // an octave range further wraps round
        QCOMPARE(volume, -90);
        p.view->ControlMoved(CMidiView::kVol, 2, CMidiView::kVolumeMin);
        p.view->ControlMoved(CMidiView::kPan, 2, -CMidiView::kPanRange);
        QVERIFY(p.view->KeyLevels(14, volume, pan));
        QCOMPARE(volume, -1000);
        QCOMPARE(pan, -1000);
    }

    // Solo mutes the other keys; ending it gives every key back the mute it had before.
    void soloMutesTheOthersAndGivesTheirMutesBack()
    {
        Piano& p = *p_;
        CSamples* a = p.AddSample(12);
        CSamples* b = p.AddSample(13);
        CSamples* c = p.AddSample(14);
        p.Click(CMidiView::kMute, 2);
        QCOMPARE(c->muteFlag, 1);
        p.Click(CMidiView::kSolo, 0);
        QCOMPARE(p.view->SoloKey(), 0);
        QCOMPARE(a->muteFlag, 0);
        QCOMPARE(b->muteFlag, 1);
        QVERIFY(p.view->Checked(CMidiView::kMute, 1));
        p.Click(CMidiView::kSolo, 1);
        QVERIFY(!p.view->Checked(CMidiView::kSolo, 0));
        QCOMPARE(a->muteFlag, 1);
        QCOMPARE(b->muteFlag, 0);
        p.Click(CMidiView::kSolo, 1);
        QCOMPARE(p.view->SoloKey(), -1);
        QCOMPARE(a->muteFlag, 0);
        QCOMPARE(b->muteFlag, 0);
        QCOMPARE(c->muteFlag, 1);
        QVERIFY(p.view->Checked(CMidiView::kMute, 2));
        QVERIFY(!p.view->Checked(CMidiView::kMute, 0));
    }

    void allCommandsAndThePopupMenu()
    {
        Piano& p = *p_;
        CSamples* a = p.AddSample(12);
        CSamples* b = p.AddSample(30);
        p.view->RunCommand(CMidiView::kLoopAll);
        p.view->RunCommand(CMidiView::kSustainAll);
        p.view->RunCommand(CMidiView::kSyncAll);
        for (CSamples* s : {a, b}) {
            QVERIFY(s->IsContinuousLoop());
            QVERIFY(s->IsHold());
            QVERIFY(s->flags & CMedia::kFlagResynchro);
        }
        for (int field : {CMidiView::kLoop, CMidiView::kHold, CMidiView::kSync}) {
            QVERIFY(p.view->Checked(field, 0));
            QVERIFY(p.view->Checked(field, 23));
        }
        QVERIFY(p.mediaChanges > 0);

        std::unique_ptr<QMenu> menu(p.view->MakePopup(0, nullptr));
        QStringList texts;
        std::map<int, QAction*> byId;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                texts << action->text();
                byId[action->data().toInt()] = action;
            }
        }
        QCOMPARE(texts, (QStringList{"&Add", "&Edit", "&Stop", "Display Wave", "&Delete", "&Loop All", "&Sustain All",
                                     "Sync all", "&Reset", "Volume"}));
        QVERIFY(byId[CMidiView::kAdd]->isEnabled());
        QVERIFY(!byId[CMidiView::kEdit]->isEnabled());  // no media dialog in this window
        QVERIFY(byId[CMidiView::kStopMedia]->isEnabled());
        QVERIFY(byId[CMidiView::kDelete]->isEnabled());
        QVERIFY(!byId[CMidiView::kReset]->isEnabled());
        std::unique_ptr<QMenu> empty(p.view->MakePopup(5, nullptr));
        for (QAction* action : empty->actions()) {
            const int id = action->data().toInt();
            if (id == CMidiView::kStopMedia || id == CMidiView::kDelete || id == CMidiView::kEdit) {
                QVERIFY(!action->isEnabled());
            }
        }
        byId[CMidiView::kAdd]->trigger();
        QCOMPARE(p.commands, std::vector<int>{CMidiView::kAdd});
        byId[CMidiView::kDelete]->trigger();
        QCOMPARE(p.doc.MediaCount(), 1);
        QCOMPARE(p.doc.MediumAt(0), static_cast<CMedia*>(b));
        QVERIFY(!p.view->Keys().HasMedia(0));
        QVERIFY(p.doc.HasUndo());
    }

    // Files dropped on a key become its media with the key's HOLD and LOOP; a drop above the
    // keys lands on the keys' top row; a media-list row dropped on a key binds its medium.
    void droppingFilesAndRowsOnKeys()
    {
        Piano& p = *p_;
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const std::string one = WriteWav(p.dir, "one.wav", format, SinePcm(format, 4410, 300.0, 0.5));
        const std::string two = WriteWav(p.dir, "two.wav", format, SinePcm(format, 4410, 600.0, 0.5));
        const std::string tiny = WriteWav(p.dir, "tiny.wav", format, SinePcm(format, 10, 600.0, 0.5));
        p.Click(CMidiView::kHold, 5);
        p.Click(CMidiView::kLoop, 5);
        auto* files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(QString::fromStdString(one)), QUrl::fromLocalFile(QString::fromStdString(tiny)),
                        QUrl::fromLocalFile(QString::fromStdString(two))});
        QVERIFY(p.Drop(p.view->KeyPoint(5), files));
        QCOMPARE(p.mediaChanges, 1);
        QCOMPARE(p.doc.MediaCount(), 2);  // the tiny file is left out
        for (int i = 0; i < 2; ++i) {
            const CMedia* medium = p.doc.MediumAt(i);
            QCOMPARE(medium->midiNote, 17);
            QVERIFY(medium->IsHold());
            QVERIFY(medium->IsLoop());
            QCOMPARE(medium->pcKey, int32_t('5'));
        }
        QCOMPARE(p.view->Keys().MediaOf(5), (std::vector<int>{0, 1}));
        delete files;

        // Above the keys, over the middle of D: the black key D# of the top row.
        auto* above = new QMimeData;
        above->setUrls({QUrl::fromLocalFile(QString::fromStdString(one))});
        p.Drop(QPoint(p.view->KeyPoint(2).x(), 0), above);
        QCOMPARE(p.doc.MediumAt(2)->midiNote, 15);
        QVERIFY(!p.doc.MediumAt(2)->IsHold());
        delete above;

        auto* row = new QMimeData;
        row->setData(QString::fromLatin1(CPianoSurface::kMediumMime), "0");
        QVERIFY(p.Drop(p.view->KeyPoint(9), row));
        QCOMPARE(p.doc.MediumAt(0)->midiNote, 21);
        QCOMPARE(p.view->Keys().MediaOf(9), (std::vector<int>{0}));
        QCOMPARE(p.view->Keys().MediaOf(5), (std::vector<int>{1}));
        row->setData(QString::fromLatin1(CPianoSurface::kMediumMime), "77");  // no such medium
        QVERIFY(!p.Drop(p.view->KeyPoint(9), row));
        QCOMPARE(p.view->Keys().MediaOf(9), (std::vector<int>{0}));
        delete row;

        // The song's limit: no file beyond it, and the user is told once.
        p.doc.Environment().settings.nbSamplesMax = 2;
        auto* more = new QMimeData;
        more->setUrls({QUrl::fromLocalFile(QString::fromStdString(one)), QUrl::fromLocalFile(QString::fromStdString(two))});
        p.Drop(p.view->KeyPoint(1), more);
        QCOMPARE(p.doc.MediaCount(), 3);
        QCOMPARE(p.notices.notices.size(), size_t(1));
        QCOMPARE(p.notices.notices[0].text, std::string("too samples open"));
        delete more;
    }

    void skinHintsTearDownAndRebuild()
    {
        Piano& p = *p_;
        p.AddSample(40);
        p.view->SelectKey(4);
        QCOMPARE(p.view->Keys().MediaOf(4), (std::vector<int>{0}));
        p.view->UpdateHint(CMidiView::kHintSkinGoing);
        QVERIFY(!p.view->Built());
        QVERIFY(p.view->ControlRect(CMidiView::kMute, 0).isEmpty());
        QCOMPARE(p.view->ControlAt(p.view->KeyPoint(0).x(), 40), -1);
        QVERIFY(p.view->Surface()->findChildren<QAbstractButton*>().isEmpty());
        QCOMPARE(p.view->Keys().KeyCount(), 0);
        p.view->MediaChanged();  // nothing to rebuild while the skin is away
        p.view->Poll();
        p.view->UpdateHint(CMidiView::kHintSkinNew);
        QVERIFY(p.view->Built());
        QCOMPARE(p.view->ControlAt(p.view->ControlRect(CMidiView::kMute, 23).x(), p.view->ControlRect(CMidiView::kMute, 23).y()),
                 223);
        QVERIFY(p.view->Surface()->findChild<QWidget*>(QStringLiteral("control23")));  // SEQUENCE
        QCOMPARE(p.view->Keys().MediaOf(4), (std::vector<int>{0}));
        QCOMPARE(p.view->SelectedKey(), 4);
        QVERIFY(p.view->Checked(CMidiView::kActive, 4));
    }

    void metersFollowWhatTheKeysPlay()
    {
        Piano& p = *p_;
        p.AddSample(12);
        p.rules.Press({0});
        p.Ticks(2);
        p.out.Render(4410);
        p.view->Poll();
        QVERIFY(p.view->Keys().StateOf(0) == PianoKeys::State::Playing);
        QVERIFY2(p.view->MeterLevel(0) > 0.8, qPrintable(QString::number(p.view->MeterLevel(0))));
        QCOMPARE(p.view->MeterLevel(1), 0.0);
        p.rules.Release({0});
        p.Ticks(2);
        p.out.Render(4410);
        for (int i = 0; i < 40; ++i) {
            p.view->Poll();
        }
        QCOMPARE(p.view->MeterLevel(0), 0.0);
        QVERIFY(p.view->Keys().StateOf(0) == PianoKeys::State::Present);
    }

    // A key whose play waits for the grid blinks until it plays; ACTIVE silences the blink.
    void armedKeysBlink()
    {
        Piano& p = *p_;
        p.AddSample(12);
        p.doc.SetQuantizationOn(true);
        p.rules.Press({0});
        p.view->Poll();
        QVERIFY(p.view->KeyArmed(0));
        QVERIFY(p.view->BlinkRunning());
        p.Click(CMidiView::kActive, 0);
        QVERIFY(!p.view->BlinkRunning());
        p.view->Poll();
        QVERIFY(!p.view->BlinkRunning());
        p.Ticks(2000);
        p.view->Poll();
        QVERIFY(!p.view->KeyArmed(0));
    }

    // In the window, the key's menu edits its medium through the media list, which selects it.
    void theWindowsPianoEditsAKeysMediumThroughTheMediaList()
    {
        p_.reset();
        FrameUnderTest t;
        QVERIFY(t.Create());
        CMidiView* piano = t.frame->PianoView();
        QVERIFY(piano);
        CChordwayDoc& doc = t.frame->Doc();
        for (int32_t midiKey : {12, 16}) {
            auto sample = std::make_unique<CSamples>("/none.wav", "m", 44100, 1000, "", "", 120.0f, 0, 0, 0);
            sample->midiNote = midiKey;
            doc.InsertMedium(doc.MediaCount(), std::move(sample));
        }
        t.frame->Notice(ListNotice::MediaChanged);
        QCOMPARE(piano->Keys().MediaOf(4), (std::vector<int>{1}));
        std::unique_ptr<QMenu> menu(piano->MakePopup(4, nullptr));
        bool editable = false;
        for (QAction* action : menu->actions()) {
            editable |= action->data().toInt() == CMidiView::kEdit && action->isEnabled();
        }
        QVERIFY(editable);
        QCOMPARE(t.frame->MediaList().currentIndex().row(), 1);
    }

    void noteButtonsMoveTheMidiKeyboard()
    {
        Piano& p = *p_;
        p.view->Button(CMidiView::kNotePlus)->click();
        QCOMPARE(p.rules.OctaveShift(), 1);
        QCOMPARE(p.view->OctaveShift(), 1);
        for (int i = 0; i < 10; ++i) {
            p.view->Button(CMidiView::kNoteMinus)->click();
        }
        QCOMPARE(p.rules.OctaveShift(), -CTriggerRules::kMaxOctaveShift);
        QVERIFY(!p.view->Button(CMidiView::kNoteMinus)->isEnabled());
    }
};

TESSARON_VIEW_TEST(PianoViewTest);

}  // namespace tessaron::test

#include "PianoViewTest.moc"
