#pragma once

#include <cstdint>
#include <string_view>

namespace tessaron {

class CObject;

// Run-time record of a serializable class: its stored name and schema, its base class and,
// for classes that an archive may create, the factory that makes an empty object.
struct CRuntimeClass {
    // Set in `schema` for classes that accept any stored schema and read older layouts themselves.
    static constexpr uint32_t kVersionable = 0x80000000u;

    const char* name;
    uint32_t schema;
    const CRuntimeClass* base;
    CObject* (*create)();

    uint16_t StoredSchema() const { return static_cast<uint16_t>(schema & ~kVersionable); }
    bool IsVersionable() const { return (schema & kVersionable) != 0; }
    bool IsCreatable() const { return create != nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* other) const;
    CObject* CreateObject() const { return create ? create() : nullptr; }
};

}  // namespace tessaron

// Declares the run-time class record of a class; put inside the class body.
#define TESSARON_DECLARE_CLASS(Class)                          \
public:                                                        \
    static const ::tessaron::CRuntimeClass classRecord;        \
    const ::tessaron::CRuntimeClass* GetRuntimeClass() const override { return &classRecord; }

// Defines the record of a class that an archive can create by name.
#define TESSARON_IMPLEMENT_SERIAL(Class, Base, schemaValue)                           \
    const ::tessaron::CRuntimeClass Class::classRecord = {                            \
        #Class, (schemaValue), &Base::classRecord,                                    \
        []() -> ::tessaron::CObject* { return new Class(); }};

// Defines the record of an abstract class (never created by an archive).
#define TESSARON_IMPLEMENT_ABSTRACT(Class, Base, schemaValue) \
    const ::tessaron::CRuntimeClass Class::classRecord = {#Class, (schemaValue), &Base::classRecord, nullptr};
