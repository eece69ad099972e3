#include "framework/CArchive.h"

#include <cstring>

namespace tessaron {

namespace {

using Cause = CArchiveException::Cause;

template <class T>
void AppendLittleEndian(std::vector<uint8_t>& out, T value)
{
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // The machines we build for are little-endian; the file format is too.
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

}  // namespace

CArchive::CArchive() : storing_(true) {}

CArchive::CArchive(std::span<const uint8_t> data, const CClassRegistry& classes)
    : storing_(false), in_(data), classes_(&classes)
{
    loaded_.resize(1);
}

void CArchive::WriteByte(uint8_t value) { out_.push_back(value); }
void CArchive::WriteWord(uint16_t value) { AppendLittleEndian(out_, value); }
void CArchive::WriteInt(int32_t value) { AppendLittleEndian(out_, value); }
void CArchive::WriteUInt(uint32_t value) { AppendLittleEndian(out_, value); }
void CArchive::WriteFloat(float value) { AppendLittleEndian(out_, value); }
void CArchive::WriteDouble(double value) { AppendLittleEndian(out_, value); }

void CArchive::WriteBytes(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + size);
}

void CArchive::WriteString(std::string_view text)
{
    const size_t n = text.size();
    if (n < 0xFF) {
        WriteByte(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<uint16_t>(n));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteUInt(static_cast<uint32_t>(n));
    }
    WriteBytes(text.data(), n);
}

void CArchive::WriteClass(const CRuntimeClass* type)
{
    auto found = storedIndex_.find(type);
    if (found != storedIndex_.end()) {
        const uint32_t classIndex = found->second;
        if (classIndex < kBigObjectTag) {
            WriteWord(static_cast<uint16_t>(kClassTag | classIndex));
        } else {
            WriteWord(kBigObjectTag);
            WriteUInt(kBigClassTag | classIndex);
        }
        return;
    }
    const std::string_view name = type->name;
    WriteWord(kNewClassTag);
    WriteWord(type->StoredSchema());
    WriteWord(static_cast<uint16_t>(name.size()));
    WriteBytes(name.data(), name.size());
    storedIndex_[type] = nextIndex_++;
}

void CArchive::WriteObject(const CObject* object)
{
    if (object == nullptr) {
        WriteWord(kNullTag);
        return;
    }
    auto found = storedIndex_.find(object);
    if (found != storedIndex_.end()) {
        const uint32_t objectIndex = found->second;
        if (objectIndex < kBigObjectTag) {
            WriteWord(static_cast<uint16_t>(objectIndex));
        } else {
            WriteWord(kBigObjectTag);
            WriteUInt(objectIndex);
        }
        return;
    }
    WriteClass(object->GetRuntimeClass());
    storedIndex_[object] = nextIndex_++;
    // Serialize is not const: the store half may refresh derived fields (flags, texts).
    const_cast<CObject*>(object)->Serialize(*this);
}

void CArchive::Need(size_t size) const
{
    if (size > Remaining()) {
        throw CArchiveException(Cause::EndOfFile, "unexpected end of file");
    }
}

uint8_t CArchive::ReadByte()
{
    Need(1);
    return in_[readPos_++];
}

#define TESSARON_READ_LITTLE_ENDIAN(Type)               \
    Need(sizeof(Type));                                 \
    Type value;                                         \
    std::memcpy(&value, in_.data() + readPos_, sizeof(Type)); \
    readPos_ += sizeof(Type);                           \
    return value;

uint16_t CArchive::ReadWord() { TESSARON_READ_LITTLE_ENDIAN(uint16_t) }
int32_t CArchive::ReadInt() { TESSARON_READ_LITTLE_ENDIAN(int32_t) }
uint32_t CArchive::ReadUInt() { TESSARON_READ_LITTLE_ENDIAN(uint32_t) }
float CArchive::ReadFloat() { TESSARON_READ_LITTLE_ENDIAN(float) }
double CArchive::ReadDouble() { TESSARON_READ_LITTLE_ENDIAN(double) }

#undef TESSARON_READ_LITTLE_ENDIAN

void CArchive::ReadBytes(void* data, size_t size)
{
    Need(size);
    if (size > 0) {
        std::memcpy(data, in_.data() + readPos_, size);
    }
    readPos_ += size;
}

std::string CArchive::ReadString()
{
    size_t n = ReadByte();
    if (n == 0xFF) {
        n = ReadWord();
        if (n == 0xFFFE) {
            throw CArchiveException(Cause::BadLength, "unsupported wide text in archive");
        }
        if (n == 0xFFFF) {
            n = ReadUInt();
        }
    }
    if (n > Remaining()) {
        throw CArchiveException(Cause::BadLength, "text longer than the rest of the file");
    }
    std::string text(reinterpret_cast<const char*>(in_.data() + readPos_), n);
    readPos_ += n;
    return text;
}

void CArchive::CheckCount(int64_t count, size_t minBytesEach, const char* what) const
{
    if (count < 0 || (minBytesEach > 0 && static_cast<uint64_t>(count) > Remaining() / minBytesEach)) {
        throw CArchiveException(Cause::BadLength, std::string("impossible ") + what + " count " + std::to_string(count));
    }
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* required, uint32_t tag16, uint32_t tag32)
{
    const CRuntimeClass* type = nullptr;
    if (tag16 == kNewClassTag) {
        const uint16_t schema = ReadWord();
        const uint16_t length = ReadWord();
        if (length == 0 || length > kMaxClassNameLength) {
            throw CArchiveException(Cause::BadClass, "class name of impossible length");
        }
        Need(length);
        std::string name(reinterpret_cast<const char*>(in_.data() + readPos_), length);
        readPos_ += length;
        type = classes_->Find(name);
        if (type == nullptr) {
            throw CArchiveException(Cause::BadClass, "unknown class '" + name + "'");
        }
        if (!type->IsVersionable() && schema != type->StoredSchema()) {
            throw CArchiveException(Cause::BadSchema, "class " + name + " stored with schema " +
                                                          std::to_string(schema) + ", expected " +
                                                          std::to_string(type->StoredSchema()));
        }
        objectSchema_ = schema;
        loaded_.push_back(LoadedEntry{type, nullptr});
    } else {
        const uint32_t classIndex = tag32 & ~kBigClassTag;
        if (classIndex == 0 || classIndex >= loaded_.size() || loaded_[classIndex].type == nullptr) {
            throw CArchiveException(Cause::BadIndex, "tag refers to class index " + std::to_string(classIndex) +
                                                         " that was never stored");
        }
        type = loaded_[classIndex].type;
        objectSchema_ = type->StoredSchema();
        // Versionable classes keep the schema their first occurrence carried.
        if (type->IsVersionable()) {
            objectSchema_ = schemaOfClass_[type];
        }
    }
    if (tag16 == kNewClassTag) {
        schemaOfClass_[type] = objectSchema_;
    }
    if (required != nullptr && !type->IsDerivedFrom(required)) {
        throw CArchiveException(Cause::BadClass, std::string("class ") + type->name + " is not a " + required->name);
    }
    if (!type->IsCreatable()) {
        throw CArchiveException(Cause::BadClass, std::string("class ") + type->name + " cannot be created");
    }
    return type;
}

CArchive::LoadedObject CArchive::ReadObject(const CRuntimeClass* required)
{
    const uint16_t tag16 = ReadWord();
    uint32_t tag32;
    if (tag16 == kBigObjectTag) {
        tag32 = ReadUInt();
    } else {
        tag32 = (static_cast<uint32_t>(tag16 & kClassTag) << 16) | (tag16 & ~kClassTag);
    }

    LoadedObject result;
    if ((tag32 & kBigClassTag) == 0) {
        // A reference to an object read before, or the null object.
        const uint32_t objectIndex = tag32;
        if (objectIndex == 0) {
            return result;
        }
        if (objectIndex >= loaded_.size() || loaded_[objectIndex].object == nullptr) {
            throw CArchiveException(Cause::BadIndex, "reference to object index " + std::to_string(objectIndex) +
                                                         " that was never stored");
        }
        CObject* object = loaded_[objectIndex].object;
        if (required != nullptr && !object->IsKindOf(required)) {
            throw CArchiveException(Cause::BadClass, "referenced object is not a " + std::string(required->name));
        }
        result.reference = object;
        return result;
    }

    const CRuntimeClass* type = ReadClass(required, tag16, tag32);
    result.created.reset(type->CreateObject());
    loaded_.push_back(LoadedEntry{nullptr, result.created.get()});
    result.created->Serialize(*this);
    objectSchema_ = 0xFFFFFFFFu;
    return result;
}

}  // namespace tessaron
