#pragma once

#include <cstdint>
#include <string>

#include "framework/CObject.h"
#include "song/CMesure.h"

namespace tessaron {

class CMedia;

// One action on a medium: a live trigger, a recorded event and a pending action of the scheduler.
class CAction : public CObject {
    TESSARON_DECLARE_CLASS(CAction)
public:
    // Action codes (bits 0..14 of the type). The first seven are offered to the user.
    enum Code : int32_t {
        kDone = 0,
        kPlay = 1,
        kStop = 2,
        kClose = 3,
        kVolume = 4,
        kPan = 5,
        kPitch = 6,
        kNotifyFrame = 7,
        kEndOfSong = 8,
        kScheduledStop = 11,
        kPitchChange = 12,
        kHold = 100,
    };
    static constexpr uint32_t kSongFlag = 0x8000;
    static constexpr uint32_t kCodeMask = 0x7FFF;
    static constexpr int kUserTypeCount = 7;
    static constexpr size_t kLabelLength = 24;

    struct Rect {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
    };

    CAction() = default;
    CAction(int32_t code, CMedia* medium, int32_t mediaPosition, int32_t reserved1, int32_t value1, int32_t value2);
    // Copies every field but the remaining hold time.
    CAction(const CAction& other);
    CAction& operator=(const CAction& other);

    CMedia* Medium() const { return medium_; }
    void SetMedium(CMedia* medium) { medium_ = medium; }
    int32_t MediaPosition() const { return mediaPosition_; }
    void SetMediaPosition(int32_t value) { mediaPosition_ = value; }
    uint32_t Type() const { return type_; }
    void SetType(uint32_t type) { type_ = type; }
    int32_t Code() const { return static_cast<int32_t>(type_ & kCodeMask); }
    void SetCode(int32_t code) { type_ = (type_ & ~kCodeMask) | (static_cast<uint32_t>(code) & kCodeMask); }
    bool IsSongAction() const { return (type_ & kSongFlag) != 0; }
    void SetSongFlag(bool on) { type_ = on ? (type_ | kSongFlag) : (type_ & ~kSongFlag); }
    int32_t Reserved1() const { return reserved1_; }
    void SetReserved1(int32_t value) { reserved1_ = value; }
    int32_t Reserved2() const { return reserved2_; }
    void SetReserved2(int32_t value) { reserved2_ = value; }
    int32_t Reserved3() const { return reserved3_; }
    void SetReserved3(int32_t value) { reserved3_ = value; }
    int32_t Value1() const { return value1_; }
    void SetValue1(int32_t value) { value1_ = value; }
    int32_t Value2() const { return value2_; }
    void SetValue2(int32_t value) { value2_ = value; }
    int32_t Start() const { return start_; }
    void SetStart(int32_t ms) { start_ = ms; }
    int32_t Duration() const { return duration_; }
    void SetDuration(int32_t ms) { duration_ = ms; }
    int32_t End() const { return start_ + duration_; }
    int32_t Index() const { return index_; }
    void SetIndex(int32_t index) { index_ = index; }
    float Remaining() const { return remaining_; }
    void SetRemaining(float ms) { remaining_ = ms; }
    CMesure& Position() { return position_; }
    const CMesure& Position() const { return position_; }
    CMesure& Length() { return length_; }
    const CMesure& Length() const { return length_; }
    CMesure& SavedPosition() { return savedPosition_; }
    CMesure& SavedLength() { return savedLength_; }
    Rect& ScreenRect() { return screenRect_; }

    // Position and length from start and duration at a tempo (recorded or typed in ms).
    void MusicalFromMs(float tempo);
    // Start and duration from position and length at a tempo (typed in bars, quantized).
    void MsFromMusical(float tempo);

    static std::string NameOf(int32_t code);
    static std::string Value1LabelOf(int32_t code);
    static std::string Value2LabelOf(int32_t code);
    std::string Name() const { return NameOf(Code()); }
    bool HasValue1() const { return !Value1LabelOf(Code()).empty(); }
    bool HasValue2() const { return !Value2LabelOf(Code()).empty(); }
    // Position text (or start time when `timeDisplay`), a space and the medium's name, cut to 24.
    std::string Label(bool timeDisplay) const;

    void Serialize(CArchive& archive) override;

private:
    CMedia* medium_ = nullptr;
    int32_t mediaPosition_ = -1;
    uint32_t type_ = kPlay;
    int32_t reserved1_ = -1;
    int32_t value1_ = 0;
    int32_t value2_ = 0;
    int32_t start_ = 0;
    int32_t duration_ = 0;
    int32_t reserved2_ = 0;
    int32_t reserved3_ = 0;
    int32_t index_ = -1;
    float remaining_ = 0.0f;
    CMesure position_;
    CMesure length_;
    CMesure savedPosition_;
    CMesure savedLength_;
    Rect screenRect_;
};

}  // namespace tessaron
