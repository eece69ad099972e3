#include "song/CAction.h"

#include "framework/CArchive.h"
#include "framework/TimeText.h"
#include "media/CMedia.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CAction, CObject, 1)

CAction::CAction(int32_t code, CMedia* medium, int32_t mediaPosition, int32_t reserved1, int32_t value1, int32_t value2)
    : medium_(medium),
      mediaPosition_(mediaPosition),
      type_(static_cast<uint32_t>(code)),
      reserved1_(reserved1),
      value1_(value1),
      value2_(value2)
{
}

CAction::CAction(const CAction& other) : CObject(other) { *this = other; }

CAction& CAction::operator=(const CAction& other)
{
    if (this != &other) {
        const float keptRemaining = remaining_;
        medium_ = other.medium_;
        mediaPosition_ = other.mediaPosition_;
        type_ = other.type_;
        reserved1_ = other.reserved1_;
        value1_ = other.value1_;
        value2_ = other.value2_;
        start_ = other.start_;
        duration_ = other.duration_;
        reserved2_ = other.reserved2_;
        reserved3_ = other.reserved3_;
        index_ = other.index_;
        position_ = other.position_;
        length_ = other.length_;
        savedPosition_ = other.savedPosition_;
        savedLength_ = other.savedLength_;
        screenRect_ = other.screenRect_;
        remaining_ = keptRemaining;
    }
    return *this;
}

void CAction::MusicalFromMs(float tempo)
{
    position_.FromMs(start_, tempo);
    length_.FromMs(duration_, tempo);
}

void CAction::MsFromMusical(float tempo)
{
    start_ = position_.ToMs(tempo);
    duration_ = length_.ToMs(tempo);
}

std::string CAction::NameOf(int32_t code)
{
    static const char* const names[kUserTypeCount] = {"", "Play", "Stop", "Close", "Vol", "Pan", "Pitch"};
    return code >= 0 && code < kUserTypeCount ? names[code] : "";
}

std::string CAction::Value1LabelOf(int32_t code)
{
    static const char* const labels[kUserTypeCount] = {"", "Vol", "", "", "Vol", "Pan", "Pitch"};
    return code >= 0 && code < kUserTypeCount ? labels[code] : "";
}

std::string CAction::Value2LabelOf(int32_t code) { return code == kPlay ? "Pan" : ""; }

std::string CAction::Label(bool timeDisplay) const
{
    std::string label = timeDisplay ? time_text::FromMs(start_) : position_.PositionText();
    label += ' ';
    if (medium_ != nullptr) {
        label += medium_->name;
    }
    if (label.size() > kLabelLength) {
        label.resize(kLabelLength);
    }
    return label;
}

void CAction::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteUInt(type_);
        ar.WriteInt(mediaPosition_);
        ar.WriteInt(reserved1_);
        ar.WriteInt(value1_);
        ar.WriteInt(value2_);
        ar.WriteInt(start_);
        ar.WriteInt(duration_);
        ar.WriteInt(reserved3_);  // the file keeps reserved 3 before reserved 2
        ar.WriteInt(reserved2_);
        position_.Store(ar);
        length_.Store(ar);
    } else {
        type_ = ar.ReadUInt();
        mediaPosition_ = ar.ReadInt();
        reserved1_ = ar.ReadInt();
        value1_ = ar.ReadInt();
        value2_ = ar.ReadInt();
        start_ = ar.ReadInt();
        duration_ = ar.ReadInt();
        reserved3_ = ar.ReadInt();
        reserved2_ = ar.ReadInt();
        position_.Load(ar);
        length_.Load(ar);
    }
}

}  // namespace tessaron
