#include "song/CSongFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/CArchive.h"
#include "framework/COutputFile.h"
#include "framework/INotice.h"
#include "framework/IProgress.h"
#include "media/CMedia.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"

namespace tessaron {

namespace {

// A song file larger than this cannot be one of ours; refusing it early keeps a stray path
// from making the program read gigabytes.
constexpr uintmax_t kMaxSongFileSize = 512u * 1024u * 1024u;
// An event in the file: media id, class tag, 54 bytes of data.
constexpr size_t kSmallestEventBytes = 4 + 2 + 54;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? "is a folder, not a song" : "is not a file";
        return false;
    }
    if (static_cast<uintmax_t>(status.st_size) > kMaxSongFileSize) {
        error = "too large to be a song (over 512 MiB)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    bytes.resize(static_cast<size_t>(status.st_size));
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read the whole file";
        return false;
    }
    return true;
}

void Show(const CChordwayDoc& doc, std::string_view text, NoticeIcon icon)
{
    if (INotice* notice = const_cast<CChordwayDoc&>(doc).Environment().notice) {
        notice->show(text, icon);
    }
}

}  // namespace

const CClassRegistry& CSongFile::Classes()
{
    static const CClassRegistry classes{&CSamples::classRecord, &CMusic::classRecord, &CMidiMedia::classRecord,
                                        &CAction::classRecord};
    return classes;
}

void CSongFile::Store(CChordwayDoc& doc, CArchive& ar)
{
    ar.WriteString(kMagic);
    ar.WriteInt(doc.MediaCount());
    for (int i = 0; i < doc.MediaCount(); ++i) {
        ar.WriteObject(doc.MediumAt(i));
    }
    ar.WriteInt(doc.EventCount());
    for (int i = 0; i < doc.EventCount(); ++i) {
        const CAction* event = doc.EventAt(i);
        ar.WriteInt(event->Medium() != nullptr ? event->Medium()->mediumId : 0);
        ar.WriteObject(event);
    }
    ar.WriteInt(doc.LoopBegin());
    ar.WriteInt(doc.LoopEnd());
    ar.WriteInt(doc.LoopSong());
    ar.WriteInt(doc.FollowSong());
    ar.WriteInt(doc.TimeDisplay());
    ar.WriteInt(doc.ViewSettingA());
    ar.WriteInt(doc.ViewSettingB());
    ar.WriteInt(doc.QuantizationOn());
    ar.WriteInt(doc.QuantizationType());
    ar.WriteInt(doc.QuantizationFrequency());
    ar.WriteByte(doc.BeatsPerBar());
    ar.WriteInt(doc.SongPosition());
    ar.WriteInt(doc.GridZoom());
    ar.WriteFloat(doc.Tempo());
}

CSongFile::Status CSongFile::Load(CChordwayDoc& doc, CArchive& ar, ReadMode mode)
{
    if (ar.ReadString() != kMagic) {
        return Status::WrongMagic;
    }
    const int32_t mediaCount = ar.ReadInt();
    if (mediaCount == 0) {
        return Status::NoData;
    }
    ar.CheckCount(mediaCount, 2, "media");

    const SongEnvironment& env = doc.Environment();
    for (int32_t i = 0; i < mediaCount; ++i) {
        std::unique_ptr<CMedia> medium = ar.ReadNewObject<CMedia>();
        if (!medium) {
            throw CArchiveException(CArchiveException::Cause::BadClass, "a medium of the song is missing");
        }
        if (mode == ReadMode::ForPlaying) {
            const int available = medium->kind == CMedia::kKindMidi ? env.midiOutputPortCount : env.audioDeviceCount;
            if (medium->deviceIndex >= available) {
                medium->deviceIndex = 0;
            }
            doc.SetMediumKey(*medium, static_cast<int32_t>(std::max<int64_t>(0, int64_t{medium->midiNote} - 12)));
        }
        doc.AppendLoadedMedium(std::move(medium));
    }
    doc.RenumberMedia();

    const int32_t eventCount = ar.ReadInt();
    ar.CheckCount(eventCount, kSmallestEventBytes - 2 * sizeof(uint16_t), "event");
    for (int32_t i = 0; i < eventCount; ++i) {
        const int32_t mediumId = ar.ReadInt();
        std::unique_ptr<CAction> event = ar.ReadNewObject<CAction>();
        if (!event) {
            throw CArchiveException(CArchiveException::Cause::BadClass, "an event of the song is missing");
        }
        event->SetMedium(doc.FindMedium(mediumId));
        doc.AppendLoadedEvent(std::move(event));
    }
    doc.RenumberEvents();

    const int32_t loopBegin = ar.ReadInt();
    const int32_t loopEnd = ar.ReadInt();
    doc.SetLoopSong(ar.ReadInt() != 0);
    doc.SetFollowSong(ar.ReadInt() != 0);
    const bool timeDisplay = ar.ReadInt() != 0;
    const int32_t viewA = ar.ReadInt();
    const int32_t viewB = ar.ReadInt();
    doc.SetViewSettings(viewA, viewB);
    doc.SetQuantizationOn(ar.ReadInt() != 0);
    const int32_t type = ar.ReadInt();
    const int32_t frequency = ar.ReadInt();
    doc.SetBeatsPerBar(ar.ReadByte());
    doc.SetStoredSongPosition(ar.ReadInt());
    doc.SetGridZoom(ar.ReadInt());
    doc.SetStoredTempo(ar.ReadFloat());
    // Type and frequency restart the clock at the tempo, so they follow it.
    doc.SetQuantizationType(type);
    doc.SetQuantizationFrequency(frequency);
    doc.SetTimeDisplay(timeDisplay);
    doc.SetLoopBegin(loopBegin);
    doc.SetLoopEnd(loopEnd);
    return Status::Ok;
}

CSongFile::Result CSongFile::Read(CChordwayDoc& doc, const std::string& path, ReadMode mode)
{
    Result result;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, result.error)) {
        result.status = Status::CannotRead;
        return result;
    }
    try {
        CArchive ar(bytes, Classes());
        result.status = Load(doc, ar, mode);
    } catch (const CArchiveException& e) {
        result.status = Status::Damaged;
        result.error = std::string("The song cannot be opened: the file is damaged (") + e.what() + ").";
    }
    if (result.status == Status::WrongMagic) {
        result.error = std::string(notice_text::kNotATessaronSong);
    } else if (result.status == Status::NoData) {
        result.error = std::string(notice_text::kFileWithoutData);
    }
    if (!result.ok()) {
        doc.DeleteContents();
    }
    return result;
}

CSongFile::Result CSongFile::Open(CChordwayDoc& doc, const std::string& path, ReadMode mode)
{
    if (path.find("tsn") == std::string::npos) {
        return Result{Status::NotASongPath, "not a song file (its name holds no \"tsn\")"};
    }
    SongEnvironment readingEnvironment = doc.Environment();
    readingEnvironment.sink = nullptr;
    readingEnvironment.views = nullptr;
    CChordwayDoc staging(readingEnvironment);
    Result result = Read(staging, path, mode);
    switch (result.status) {
    case Status::Ok: break;
    case Status::WrongMagic:
    case Status::NoData: Show(doc, result.error, NoticeIcon::Exclamation); return result;
    default: Show(doc, result.error, NoticeIcon::Error); return result;
    }

    doc.DeleteContents();
    doc.AdoptSong(staging);

    const SongEnvironment& env = doc.Environment();
    if (env.settings.autoLoad && env.progress != nullptr) {
        IProgress& progress = *env.progress;
        progress.begin("Load a song", 0, doc.MediaCount());
        for (int i = 0; i < doc.MediaCount(); ++i) {
            CMedia* medium = doc.MediumAt(i);
            progress.setMessage("Load " + medium->name);
            progress.setPosition(i + 1);
            if (progress.cancelled()) {
                break;
            }
            doc.LoadMediumData(*medium, false);
        }
        progress.end();
    }
    doc.PostMemory();
    doc.AfterOpen();
    return result;
}

CSongFile::Result CSongFile::Save(CChordwayDoc& doc, const std::string& path)
{
    CArchive ar;
    Store(doc, ar);
    const std::vector<uint8_t>& bytes = ar.Bytes();
    // A file the reader would refuse is not written: it could never be opened again.
    if (bytes.size() > kMaxSongFileSize) {
        return Result{Status::CannotWrite, "the song would take " + std::to_string(bytes.size() >> 20) +
                                               " MiB, more than a song file may hold (512 MiB)"};
    }
    COutputFile output;
    if (!output.Open(path) || !output.Write(bytes.data(), bytes.size()) || !output.Commit()) {
        return Result{Status::CannotWrite, "cannot save: " + output.Error()};
    }
    doc.SetModified(false);
    return Result{};
}

}  // namespace tessaron
