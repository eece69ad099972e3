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
    controls_.Clear();
    controlDown_ = -1;
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

void CMidiView::Place(QWidget* control, int field, QSize bitmap)
{
    const skin::SkinField& record = pianoFields_.fields.at(static_cast<size_t>(field));
    const PianoGeometry::Rect rect = geometry_.ControlRect(record, 0, bitmap.width(), bitmap.height());
    control->setGeometry(rect.x, rect.y, std::max(0, rect.w), std::max(0, rect.h));
    control->setObjectName(QStringLiteral("control%1").arg(field));
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
    }
    control->show();
}

CBitmapButton* CMidiView::MakeButton(int field, size_t definition, const QString& label)
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
    Place(button, field, size);
    return button;
}

CSkinSlider* CMidiView::MakeSlider(int field, size_t definition, Qt::Orientation orientation, int minimum, int maximum)
{
    QImage track, thumb, thumbOn;
    QSize size(12, 40);
    if (skin_ != nullptr) {
        const SkinBitmaps::Definition& images = skin_->Bitmaps().At(definition);
        track = images.images[0];
        thumb = images.images[1];
        thumbOn = images.images[2];
        if (!track.isNull()) {
            size = track.size();
        }
    }
    auto* slider = new CSkinSlider(orientation, track, thumb, thumbOn, surface_);
    slider->setRange(minimum, maximum);
    slider->setValue(0);
    Place(slider, field, size);
    return slider;
}

void CMidiView::BuildControls()
{
    // The looks of the nine fields, the same over every key: images of the skin (built-in
    // ones where it names none), colours and tooltip of the field's line.
    std::array<PianoControls::Look, PianoControls::kFields> looks;
    const auto images = [this](size_t definition, size_t n) {
        return skin_ != nullptr ? skin_->Bitmaps().At(definition).images[n] : QImage();
    };
    const auto button = [&](size_t definition, const char* label) {
        PianoControls::Look look;
        look.kind = PianoControls::Kind::Button;
        look.off = images(definition, 0);
        look.on = images(definition, 1);
        look.size = look.off.isNull() ? QSize(16, 16) : look.off.size();
        look.label = QString::fromLatin1(label);
        return look;
    };
    looks[0].kind = PianoControls::Kind::Meter;
    looks[0].size = QSize(6, 24);
    looks[kMute - 1] = button(kBmMute, "M");
    looks[kSolo - 1] = button(kBmSolo, "S");
    looks[kActive - 1] = button(kBmActive, "");
    looks[kLoop - 1] = button(kBmLoop, "L");
    looks[kHold - 1] = button(kBmHold, "H");
    looks[kSync - 1] = button(kBmSync, "Y");
    PianoControls::Look& volume = looks[kVol - 1];
    volume.kind = PianoControls::Kind::Slider;
    volume.minimum = kVolumeMin;
    volume.maximum = 0;
    volume.off = images(kBmVol, 0);
    volume.on = images(kBmVol, 1);
    volume.down = images(kBmVol, 2);
    volume.size = volume.off.isNull() ? QSize(12, 40) : volume.off.size();
    // The pan is a knob: its two images are the thumb, and there is no track.
    PianoControls::Look& pan = looks[kPan - 1];
    pan.kind = PianoControls::Kind::Slider;
    pan.vertical = false;
    pan.minimum = -kPanRange;
    pan.maximum = kPanRange;
    pan.on = images(kBmPan, 0);
    pan.down = images(kBmPan, 1);
    pan.size = pan.on.isNull() ? QSize(12, 40) : pan.on.size();
    for (int field = kLevel; field <= kSync; ++field) {
        const skin::SkinField& record = pianoFields_.fields.at(static_cast<size_t>(field));
        PianoControls::Look& look = looks[static_cast<size_t>(field - 1)];
        look.tooltip = QString::fromStdString(record.tooltip);
        look.text = CSkin::Colour(record.ct);
        look.back = CSkin::Colour(record.cb);
        look.other = CSkin::Colour(record.co);
    }
    controls_.Build(geometry_, pianoFields_, looks);
}

void CMidiView::BuildSingleControls()
{
    pitchBendSlider_ = MakeSlider(kPitchBend, kBmPitchBend, Qt::Vertical, -kPitchBendRange, kPitchBendRange);
    connect(pitchBendSlider_, &QSlider::valueChanged, this, [this](int value) {
        if (value != pitchBend_) {
            ApplyPitchBend(value);
        }
    });
    // Like a wheel, the bend springs back when it is let go.
    connect(pitchBendSlider_, &QSlider::sliderReleased, this, [this] { ApplyPitchBend(0); });
    notePlus_ = MakeButton(kNotePlus, kBmNotePlus, QStringLiteral("+"));
    connect(notePlus_, &QAbstractButton::clicked, this, [this] { ShiftOctave(1); });
    noteMinus_ = MakeButton(kNoteMinus, kBmNoteMinus, QStringLiteral("-"));
    connect(noteMinus_, &QAbstractButton::clicked, this, [this] { ShiftOctave(-1); });
    for (size_t i = 0; i < transport_.size(); ++i) {
        const int field = kTransportFields[i];
        transport_[i] = MakeButton(field, kTransportImages[i], QString::fromLatin1(kTransportLabels[i]));
        connect(transport_[i], &QAbstractButton::clicked, this, [this, field] { Transport(field); });
    }
    ShiftOctave(0);
}

void CMidiView::ResizeSurface()
{
    QRect extent(0, 0, 1, 1);
    const PianoGeometry::Rect area = geometry_.KeyArea();
    extent |= QRect(area.x, area.y, area.w, area.h);
    extent |= controls_.Extent();
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
        const std::vector<int>& media = keys_.MediaOf(key);
        const CMedia* first = media.empty() || media.front() >= doc_.MediaCount() ? nullptr : doc_.MediumAt(media.front());
        SetChecked(kLoop, key, first != nullptr && first->IsLoop());
        SetChecked(kHold, key, first != nullptr && first->IsHold());
        SetChecked(kSync, key, first != nullptr && (first->flags & CMedia::kFlagResynchro) != 0);
        SetChecked(kMute, key, first != nullptr && first->muteFlag != 0);
        SetControlValue(kVol, key, first != nullptr ? first->volume : 0);
        SetControlValue(kPan, key, first != nullptr ? first->pan : 0);
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
        SetChecked(kLoop, key, doc_.MediumAt(index)->IsLoop());
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
            FeedMeter(key, peak);
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

QAbstractButton* CMidiView::Button(int field) const
{
    if (field >= kPlay1 && field <= kSequence) {
        return transport_[static_cast<size_t>(field - kPlay1)];
    }
    if (field == kNotePlus) {
        return notePlus_;
    }
    return field == kNoteMinus ? noteMinus_ : nullptr;
}

QSlider* CMidiView::Slider(int field) const { return field == kPitchBend ? pitchBendSlider_ : nullptr; }

QString CMidiView::ControlTip(int field, int key) const
{
    return controls_.Rect(field, key).isEmpty() ? QString() : controls_.LookOf(field).tooltip;
}

void CMidiView::UpdateControl(int field, int key) { surface_->update(controls_.Rect(field, key)); }

void CMidiView::SetChecked(int field, int key, bool on)
{
    if (controls_.SetChecked(field, key, on)) {
        UpdateControl(field, key);
    }
}

void CMidiView::SetControlValue(int field, int key, int value)
{
    if (controls_.SetValue(field, key, value)) {
        UpdateControl(field, key);
    }
}

void CMidiView::FeedMeter(int key, float peak)
{
    if (controls_.FeedMeter(key, peak)) {
        UpdateControl(kLevel, key);
    }
}

void CMidiView::SelectKey(int key)
{
    if (key >= keys_.KeyCount()) {
        return;
    }
    selectedKey_ = key < 0 ? -1 : key;
    for (int k = 0; k < controls_.KeyCount(); ++k) {
        SetChecked(kActive, k, k == selectedKey_);
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
