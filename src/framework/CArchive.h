#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/CArchiveException.h"
#include "framework/CClassRegistry.h"
#include "framework/CObject.h"

namespace tessaron {

// A little-endian stream of primitive values, texts and tagged objects: the persistent-object
// format that song files use. A storing archive collects bytes in memory; a loading archive
// reads from a byte span and throws CArchiveException at the first thing that does not fit.
class CArchive {
public:
    static constexpr uint16_t kNullTag = 0x0000;
    static constexpr uint16_t kNewClassTag = 0xFFFF;
    static constexpr uint16_t kClassTag = 0x8000;
    static constexpr uint16_t kBigObjectTag = 0x7FFF;
    static constexpr uint32_t kBigClassTag = 0x80000000u;
    static constexpr size_t kMaxClassNameLength = 64;

    // A storing archive.
    CArchive();
    // A loading archive over `data`, creating objects only of the classes in `classes`.
    CArchive(std::span<const uint8_t> data, const CClassRegistry& classes);

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }

    // Storing.
    void WriteByte(uint8_t value);
    void WriteWord(uint16_t value);
    void WriteInt(int32_t value);
    void WriteUInt(uint32_t value);
    void WriteFloat(float value);
    void WriteDouble(double value);
    void WriteBytes(const void* data, size_t size);
    void WriteString(std::string_view text);
    // Writes a tagged object: null, a reference to an object this archive already stored,
    // or the object's class (new or by index) followed by its data.
    void WriteObject(const CObject* object);

    const std::vector<uint8_t>& Bytes() const { return out_; }

    // Loading.
    uint8_t ReadByte();
    uint16_t ReadWord();
    int32_t ReadInt();
    uint32_t ReadUInt();
    float ReadFloat();
    double ReadDouble();
    void ReadBytes(void* data, size_t size);
    std::string ReadString();

    struct LoadedObject {
        std::unique_ptr<CObject> created;  // a new object, now owned by the caller
        CObject* reference = nullptr;      // an object read earlier from this archive
        CObject* get() const { return created ? created.get() : reference; }
    };
    // Reads a tagged object that must be of kind `required`. A referenced object must still be
    // alive: its owner keeps the objects it took from this archive while the archive reads.
    LoadedObject ReadObject(const CRuntimeClass* required);
    // Reads a tagged object that must be new (or null) and of class T.
    template <class T>
    std::unique_ptr<T> ReadNewObject()
    {
        LoadedObject loaded = ReadObject(&T::classRecord);
        if (loaded.reference != nullptr) {
            throw CArchiveException(CArchiveException::Cause::BadIndex,
                                    std::string("object of class ") + T::classRecord.name + " stored twice");
        }
        return std::unique_ptr<T>(static_cast<T*>(loaded.created.release()));
    }

    // Schema stored with the object being read (for versionable classes).
    uint32_t GetObjectSchema() const { return objectSchema_; }

    size_t Remaining() const { return in_.size() - readPos_; }
    size_t Position() const { return storing_ ? out_.size() : readPos_; }
    // Throws unless `count` items of at least `minBytesEach` bytes can still follow; this keeps
    // a damaged count from making the reader allocate more than the stream can justify.
    void CheckCount(int64_t count, size_t minBytesEach, const char* what) const;

private:
    void Need(size_t size) const;
    const CRuntimeClass* ReadClass(const CRuntimeClass* required, uint32_t tag16, uint32_t tag32);
    void WriteClass(const CRuntimeClass* type);

    bool storing_;
    std::vector<uint8_t> out_;
    std::span<const uint8_t> in_;
    size_t readPos_ = 0;
    const CClassRegistry* classes_ = nullptr;

    // Shared counter of classes and objects when storing; index 0 is the null object.
    uint32_t nextIndex_ = 1;
    std::unordered_map<const void*, uint32_t> storedIndex_;  // class records and objects
    struct LoadedEntry {
        const CRuntimeClass* type = nullptr;  // set for class entries
        CObject* object = nullptr;            // set for object entries
    };
    std::vector<LoadedEntry> loaded_;  // by index; entry 0 unused
    std::unordered_map<const CRuntimeClass*, uint32_t> schemaOfClass_;
    uint32_t objectSchema_ = 0xFFFFFFFFu;
};

}  // namespace tessaron
