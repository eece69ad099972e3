#include "views/CMidiView.h"

#include <algorithm>
#include <mutex>


#include "app/CSkin.h"
#include "media/CMedia.h"
#include "skin/SkinDefaults.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CTransport.h"
#include "song/CTriggerRules.h"
#include "views/CBitmapButton.h"
#include "views/CLevelMeter.h"
#include "views/CPianoSurface.h"
#include "views/CSkinSlider.h"

namespace tessaron {

namespace {

// Bitmap definitions of the skin, by their place in its BITMAPDEF table.
enum Definition : size_t {
    kBmMute = 0, kBmSolo, kBmLoop, kBmHold, kBmSync, kBmActive, kBmNotePlus, kBmNoteMinus, kBmPan,
    kBmKeyboard, kBmPlay1, kBmPlayLoop, kBmStop, kBmAlone1, kBmAloneLoop, kBmVol, kBmPitchBend, kBmSequence,
};

constexpr int kTransportFields[6] = {CMidiView::kPlay1, CMidiView::kPlayLoop, CMidiView::kStop,
                                     CMidiView::kAlone1, CMidiView::kAloneLoop, CMidiView::kSequence};
constexpr size_t kTransportImages[6] = {kBmPlay1, kBmPlayLoop, kBmStop, kBmAlone1, kBmAloneLoop, kBmSequence};
const char* const kTransportLabels[6] = {">", ">>", "[]", "1", "1>>", ">.>"};

}  // namespace

CMidiView::CMidiView(CChordwayDoc& doc, CScheduler& scheduler, CTriggerRules& rules, CSkin* skin, Hooks hooks,
                     QWidget* parent)
    : QScrollArea(parent), doc_(doc), scheduler_(scheduler), rules_(rules), skin_(skin), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("PianoView"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(false);  // the surface takes the drops
    surface_ = new CPianoSurface(*this, this);
    setWidget(surface_);
    setWidgetResizable(false);
    blink_.setInterval(kBlinkMs);
    connect(&blink_, &QTimer::timeout, this, [this] {
        blinkOn_ = !blinkOn_;
        surface_->update();
    });
    meters_.setInterval(kMeterMs);
    connect(&meters_, &QTimer::timeout, this, [this] { Poll(); });
    Build();
}

CMidiView::~CMidiView()
{
    blink_.stop();
    meters_.stop();
}

QWidget* CMidiView::Surface() const { return surface_; }

int CMidiView::OctaveShift() const { return rules_.OctaveShift(); }

void CMidiView::UpdateHint(int hint)
{
    if (hint == kHintSkinGoing) {
        Teardown();
    } else if (hint == kHintSkinNew) {
        Teardown();
        Build();
    }
}

void CMidiView::Build()
{
    const int octaves = skin_ != nullptr ? skin_->File().MainValues().octaves : PianoGeometry::kDefaultOctaves;
    if (skin_ != nullptr) {
        skin_->MutableFile().ParsePiano();
    }
    pianoFields_ = skin_ != nullptr ? skin_->File().Piano() : skin::PianoDefaults();
    // Without a skin file every field reads as found with no size: the defaults stand.
    const bool skinned = skin_ != nullptr && skin_->File().IsLoaded();
    geometry_ = skinned ? PianoGeometry::FromSkin(pianoFields_, octaves) : PianoGeometry(octaves);
    doc_.Environment().keyboardOctaves = geometry_.Octaves();
    look_ = PianoLook::FromSkin(skin_, geometry_.KeyArea().w);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, look_.background);
    setPalette(colours);
    keys_.Resize(geometry_.KeyCount());
    {
        std::lock_guard guard(doc_.Lock());
        keys_.Rebuild(doc_);
    }
    armed_.assign(static_cast<size_t>(geometry_.KeyCount()), false);
    savedMutes_.clear();
    controls_.assign(static_cast<size_t>(geometry_.KeyCount()), {});
    BuildControls();
    BuildSingleControls();
    if (selectedKey_ >= geometry_.KeyCount()) {
        selectedKey_ = -1;
    }
    SelectKey(selectedKey_);
    built_ = true;
    ShowSwitches();
    ResizeSurface();
    meters_.start();
    surface_->update();
}

void CMidiView::Teardown()
{
    blink_.stop();
    meters_.stop();
    blinkOn_ = false;
    for (const KeyControls& key : controls_) {
        for (QWidget* control : std::initializer_list<QWidget*>{key.level, key.mute, key.solo, key.active, key.vol,
                                                               key.pan, key.loop, key.hold, key.sync}) {
            delete control;
        }
    }
    controls_.clear();
    for (QWidget* control : std::initializer_list<QWidget*>{pitchBendSlider_, notePlus_, noteMinus_}) {
        delete control;
    }
    pitchBendSlider_ = nullptr;
    notePlus_ = noteMinus_ = nullptr;
    for (CBitmapButton*& button : transport_) {
        delete button;
        button = nullptr;
    }
    keys_.Resize(0);
    armed_.clear();
    savedMutes_.clear();
    pressedKey_ = middleKey_ = soloKey_ = -1;
    built_ = false;
    surface_->unsetCursor();
    surface_->update();
}

void CMidiView::Place(QWidget* control, int field, int key, QSize bitmap)
{
    const skin::SkinField& record = pianoFields_.fields.at(static_cast<size_t>(field));
    const PianoGeometry::Rect rect = geometry_.ControlRect(record, key, bitmap.width(), bitmap.height());
    control->setGeometry(rect.x, rect.y, std::max(0, rect.w), std::max(0, rect.h));
    control->setObjectName(QStringLiteral("control%1").arg(field < kPitchBend ? 100 * field + key : field));
    if (!record.tooltip.empty()) {
        control->setToolTip(QString::fromStdString(record.tooltip));
    }
    const QColor text = CSkin::Colour(record.ct);
    const QColor back = CSkin::Colour(record.cb);
    const QColor other = CSkin::Colour(record.co);
    if (auto* button = dynamic_cast<CBitmapButton*>(control)) {
        button->SetColours(text, back, other);
    } else if (auto* slider = dynamic_cast<CSkinSlider*>(control)) {
        slider->SetColours(text, back);
    } else if (auto* meter = dynamic_cast<CLevelMeter*>(control)) {
        meter->SetColours(text, back, other);
    }
    control->show();
}

CBitmapButton* CMidiView::MakeButton(int field, int key, size_t definition, const QString& label, bool checkable)
{
    QImage off, on;
    QSize size(16, 16);
    if (skin_ != nullptr) {
        const SkinBitmaps::Definition& images = skin_->Bitmaps().At(definition);
        off = images.images[0];
        on = images.images[1];
        if (!off.isNull()) {
            size = off.size();
        }
    }
    auto* button = new CBitmapButton(off, on, label, surface_);
    button->setCheckable(checkable);
    Place(button, field, key, size);
    return button;
}

CSkinSlider* CMidiView::MakeSlider(int field, int key, size_t definition, Qt::Orientation orientation, int minimum,
                                   int maximum)
{
    QImage track, thumb, thumbOn;
    QSize size(12, 40);
    if (skin_ != nullptr) {
        const SkinBitmaps::Definition& images = skin_->Bitmaps().At(definition);
        if (definition == kBmPan) {
            thumb = images.images[0];  // a knob: its off and on images
            thumbOn = images.images[1];
        } else {
            track = images.images[0];
            thumb = images.images[1];
            thumbOn = images.images[2];
        }
        const QImage& first = images.images[0];
        if (!first.isNull()) {
            size = first.size();
        }
    }
    auto* slider = new CSkinSlider(orientation, track, thumb, thumbOn, surface_);
    slider->setRange(minimum, maximum);
    slider->setValue(0);
    Place(slider, field, key, size);
    return slider;
}

void CMidiView::BuildControls()
{
    for (int key = 0; key < geometry_.KeyCount(); ++key) {
        KeyControls& c = controls_[static_cast<size_t>(key)];
        c.level = new CLevelMeter(surface_);
        Place(c.level, kLevel, key, QSize(6, 24));
        c.mute = MakeButton(kMute, key, kBmMute, QStringLiteral("M"), true);
        connect(c.mute, &QAbstractButton::clicked, this, [this, key](bool on) { SetMute(key, on); });
        c.solo = MakeButton(kSolo, key, kBmSolo, QStringLiteral("S"), true);
        connect(c.solo, &QAbstractButton::clicked, this, [this, key](bool on) { SetSolo(key, on); });
        c.active = MakeButton(kActive, key, kBmActive, QString(), true);
        connect(c.active, &QAbstractButton::clicked, this, [this, key](bool on) { SetActive(key, on); });
        c.vol = MakeSlider(kVol, key, kBmVol, Qt::Vertical, kVolumeMin, 0);
        connect(c.vol, &QSlider::sliderMoved, this, [this, key](int value) { SetKeyVolume(key, value); });
        connect(c.vol, &QSlider::actionTriggered, this, [this, key, slider = c.vol](int action) {
            if (action != QAbstractSlider::SliderMove) {
                SetKeyVolume(key, slider->sliderPosition());
            }
        });
        c.pan = MakeSlider(kPan, key, kBmPan, Qt::Horizontal, -kPanRange, kPanRange);
        connect(c.pan, &QSlider::sliderMoved, this, [this, key](int value) { SetKeyPan(key, value); });
        connect(c.pan, &QSlider::actionTriggered, this, [this, key, slider = c.pan](int action) {
            if (action != QAbstractSlider::SliderMove) {
                SetKeyPan(key, slider->sliderPosition());
            }
        });
        c.loop = MakeButton(kLoop, key, kBmLoop, QStringLiteral("L"), true);
        connect(c.loop, &QAbstractButton::clicked, this, [this, key](bool on) { SetFlag(key, CMedia::kFlagLoop, on); });
        c.hold = MakeButton(kHold, key, kBmHold, QStringLiteral("H"), true);
        connect(c.hold, &QAbstractButton::clicked, this, [this, key](bool on) { SetFlag(key, CMedia::kFlagHold, on); });
        c.sync = MakeButton(kSync, key, kBmSync, QStringLiteral("Y"), true);
        connect(c.sync, &QAbstractButton::clicked, this,
                [this, key](bool on) { SetFlag(key, CMedia::kFlagResynchro, on); });
    }
}

void CMidiView::BuildSingleControls()
{
    pitchBendSlider_ = MakeSlider(kPitchBend, 0, kBmPitchBend, Qt::Vertical, -kPitchBendRange, kPitchBendRange);
    connect(pitchBendSlider_, &QSlider::valueChanged, this, [this](int value) {
        if (value != pitchBend_) {
            ApplyPitchBend(value);
        }
    });
    // Like a wheel, the bend springs back when it is let go.
    connect(pitchBendSlider_, &QSlider::sliderReleased, this, [this] { ApplyPitchBend(0); });
    notePlus_ = MakeButton(kNotePlus, 0, kBmNotePlus, QStringLiteral("+"), false);
    connect(notePlus_, &QAbstractButton::clicked, this, [this] { ShiftOctave(1); });
    noteMinus_ = MakeButton(kNoteMinus, 0, kBmNoteMinus, QStringLiteral("-"), false);
    connect(noteMinus_, &QAbstractButton::clicked, this, [this] { ShiftOctave(-1); });
    for (size_t i = 0; i < transport_.size(); ++i) {
        const int field = kTransportFields[i];
        transport_[i] = MakeButton(field, 0, kTransportImages[i], QString::fromLatin1(kTransportLabels[i]), false);
        connect(transport_[i], &QAbstractButton::clicked, this, [this, field] { Transport(field); });
    }
    ShiftOctave(0);
}

void CMidiView::ResizeSurface()
{
    QRect extent(0, 0, 1, 1);
    const PianoGeometry::Rect area = geometry_.KeyArea();
    extent |= QRect(area.x, area.y, area.w, area.h);
    for (QWidget* child : surface_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        extent |= child->geometry();
    }
    if (look_.hasSupport) {
        extent |= look_.support;
    }
    for (const PianoLook::Border& border : look_.borders) {
        extent |= border.rect;
    }
    for (const PianoLook::Text& text : look_.texts) {
        extent |= text.rect;
    }
    for (const PianoLook::Bitmap& bitmap : look_.bitmaps) {
        extent |= bitmap.rect;
    }
    surface_->resize(extent.right() + 8, extent.bottom() + 8);
}

// The switches over each key show its first medium's switches.
void CMidiView::ShowSwitches()
{
    std::lock_guard guard(doc_.Lock());
    for (int key = 0; key < keys_.KeyCount(); ++key) {
        const KeyControls& c = controls_[static_cast<size_t>(key)];
        const std::vector<int>& media = keys_.MediaOf(key);
        const CMedia* first = media.empty() || media.front() >= doc_.MediaCount() ? nullptr : doc_.MediumAt(media.front());
        c.loop->setChecked(first != nullptr && first->IsLoop());
        c.hold->setChecked(first != nullptr && first->IsHold());
        c.sync->setChecked(first != nullptr && (first->flags & CMedia::kFlagResynchro) != 0);
        c.mute->setChecked(first != nullptr && first->muteFlag != 0);
        const QSignalBlocker volume(c.vol);
        const QSignalBlocker pan(c.pan);
        c.vol->setValue(first != nullptr ? std::clamp(first->volume, kVolumeMin, 0) : 0);
        c.pan->setValue(first != nullptr ? std::clamp(first->pan, -kPanRange, kPanRange) : 0);
    }
}

void CMidiView::MediaChanged()
{
    if (!built_) {
        return;
    }
    {
        std::lock_guard guard(doc_.Lock());
        keys_.Rebuild(doc_);
    }
    if (soloKey_ >= 0 && !keys_.HasMedia(soloKey_)) {
        SetSolo(soloKey_, false);
    }
    ShowSwitches();
    surface_->update();
}

void CMidiView::MediumState(int code, const CMedia* medium)
{
    if (!built_) {
        return;
    }
    int index = -1;
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i) == medium) {
            index = i;
        }
    }
    const int key = index < 0 ? -1 : keys_.KeyOfMedium(index);
    if (key >= 0 && code == CAction::kPlay) {
        controls_[static_cast<size_t>(key)].loop->setChecked(doc_.MediumAt(index)->IsLoop());
    }
    bool changed = false;
    {
        std::lock_guard guard(doc_.Lock());
        changed = keys_.RefreshStates(doc_);
    }
    if (changed) {
        surface_->update();
    }
}

void CMidiView::Poll()
{
    if (!built_) {
        return;
    }
    bool changed = false;
    bool anyArmed = false;
    {
        std::lock_guard guard(doc_.Lock());
        changed = keys_.RefreshStates(doc_);
        // A medium is armed while its play waits for the next grid point.
        std::vector<const CMedia*> waiting;
        if (doc_.QuantizationOn()) {
            const auto held = doc_.Transport().Hold();
            for (const auto& action : doc_.Transport().Pending(held)) {
                if (action->Code() == CAction::kPlay) {
                    waiting.push_back(action->Medium());
                }
            }
        }
        for (int key = 0; key < keys_.KeyCount(); ++key) {
            float peak = 0.0f;
            bool armed = false;
            for (int index : keys_.MediaOf(key)) {
                if (index >= doc_.MediaCount()) {
                    continue;
                }
                CMedia* medium = doc_.MediumAt(index);
                armed |= medium->IsArmed() || std::find(waiting.begin(), waiting.end(), medium) != waiting.end();
                // A medium the loader holds is not touched until it hands it back.
                if (!doc_.Loader().IsBusyWith(medium)) {
                    peak = std::max(peak, medium->TakeOutputPeak());
                }
            }
            changed |= armed != armed_[static_cast<size_t>(key)];
            armed_[static_cast<size_t>(key)] = armed;
            anyArmed |= armed;
            controls_[static_cast<size_t>(key)].level->Feed(peak);
        }
    }
    if (!anyArmed) {
        blinkSilenced_ = false;
    }
    if (anyArmed && !blink_.isActive() && !blinkSilenced_) {
        blinkOn_ = true;
        blink_.start();
    } else if (!anyArmed && blink_.isActive()) {
        blink_.stop();
        blinkOn_ = false;
        changed = true;
    }
    if (changed) {
        surface_->update();
    }
}

QAbstractButton* CMidiView::Button(int field, int key) const
{
    if (field >= kPlay1 && field <= kSequence) {
        return transport_[static_cast<size_t>(field - kPlay1)];
    }
    if (field == kNotePlus) {
        return notePlus_;
    }
    if (field == kNoteMinus) {
        return noteMinus_;
    }
    if (key < 0 || key >= static_cast<int>(controls_.size())) {
        return nullptr;
    }
    const KeyControls& c = controls_[static_cast<size_t>(key)];
    switch (field) {
    case kMute: return c.mute;
    case kSolo: return c.solo;
    case kActive: return c.active;
    case kLoop: return c.loop;
    case kHold: return c.hold;
    case kSync: return c.sync;
    default: return nullptr;
    }
}

QSlider* CMidiView::Slider(int field, int key) const
{
    if (field == kPitchBend) {
        return pitchBendSlider_;
    }
    if (key < 0 || key >= static_cast<int>(controls_.size())) {
        return nullptr;
    }
    return field == kVol ? controls_[static_cast<size_t>(key)].vol
           : field == kPan ? controls_[static_cast<size_t>(key)].pan
                           : nullptr;
}

CLevelMeter* CMidiView::Meter(int key) const
{
    return key >= 0 && key < static_cast<int>(controls_.size()) ? controls_[static_cast<size_t>(key)].level : nullptr;
}

void CMidiView::SelectKey(int key)
{
    if (key >= keys_.KeyCount()) {
        return;
    }
    selectedKey_ = key < 0 ? -1 : key;
    for (int k = 0; k < static_cast<int>(controls_.size()); ++k) {
        controls_[static_cast<size_t>(k)].active->setChecked(k == selectedKey_);
    }
    rules_.SetSelectedKey(selectedKey_);
    surface_->update();
}

void CMidiView::Changed()
{
    bool changed = false;
    {
        std::lock_guard guard(doc_.Lock());
        changed = keys_.RefreshStates(doc_);
    }
    if (changed) {
        surface_->update();
    }
}

}  // namespace tessaron
