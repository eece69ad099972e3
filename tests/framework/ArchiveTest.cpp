#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CArchive.h"

namespace tessaron {
namespace {

class CPoint : public CObject {
    TESSARON_DECLARE_CLASS(CPoint)
public:
    int32_t x = 0;
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar.WriteInt(x);
        } else {
            x = ar.ReadInt();
        }
    }
};
TESSARON_IMPLEMENT_SERIAL(CPoint, CObject, 1)

class CShape : public CObject {
    TESSARON_DECLARE_CLASS(CShape)
public:
    uint32_t seenSchema = 0;
    void Serialize(CArchive& ar) override
    {
        if (ar.IsLoading()) {
            seenSchema = ar.GetObjectSchema();
        }
    }
};
TESSARON_IMPLEMENT_SERIAL(CShape, CObject, CRuntimeClass::kVersionable | 2)

const CClassRegistry kClasses{&CPoint::classRecord, &CShape::classRecord};

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST(Archive, TextLengthPrefixesHaveThreeForms)
{
    CArchive ar;
    ar.WriteString("abc");
    ar.WriteString(std::string(0xFE, 'x'));
    ar.WriteString(std::string(0xFF, 'y'));
    ar.WriteString(std::string(0xFFFE, 'z'));
    const auto& b = ar.Bytes();
    EXPECT_EQ(b[0], 3);
    size_t at = 4;
    EXPECT_EQ(b[at], 0xFE);  // 254 still fits in one byte
    at += 1 + 0xFE;
    EXPECT_EQ(b[at], 0xFF);
    EXPECT_EQ(b[at + 1], 0xFF);
    EXPECT_EQ(b[at + 2], 0x00);
    at += 3 + 0xFF;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + at, b.begin() + at + 7), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}));

    CArchive in(ar.Bytes(), kClasses);
    EXPECT_EQ(in.ReadString(), "abc");
    EXPECT_EQ(in.ReadString().size(), 0xFEu);
    EXPECT_EQ(in.ReadString(), std::string(0xFF, 'y'));
    EXPECT_EQ(in.ReadString().size(), 0xFFFEu);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(Archive, PrimitivesAreLittleEndian)
{
    CArchive ar;
    ar.WriteWord(0x1234);
    ar.WriteInt(-2);
    ar.WriteFloat(1.0f);
    ar.WriteDouble(0.5);
    EXPECT_EQ(ar.Bytes(), Bytes({0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F}));
    CArchive in(ar.Bytes(), kClasses);
    EXPECT_EQ(in.ReadWord(), 0x1234);
    EXPECT_EQ(in.ReadInt(), -2);
    EXPECT_EQ(in.ReadFloat(), 1.0f);
    EXPECT_EQ(in.ReadDouble(), 0.5);
    EXPECT_THROW(in.ReadByte(), CArchiveException);
}

TEST(Archive, ClassesAndObjectsShareOneIndexCounter)
{
    CPoint a, b;
    a.x = 7;
    b.x = 9;
    CArchive ar;
    ar.WriteObject(&a);  // class 1, object 2
    ar.WriteObject(&b);  // class by index 1, object 3
    ar.WriteObject(&a);  // reference to 2
    ar.WriteObject(nullptr);
    EXPECT_EQ(ar.Bytes(), Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'P', 'o', 'i', 'n', 't', 7, 0, 0, 0,  //
                                 0x01, 0x80, 9, 0, 0, 0,                                             //
                                 0x02, 0x00,                                                         //
                                 0x00, 0x00}));

    CArchive in(ar.Bytes(), kClasses);
    auto first = in.ReadObject(&CPoint::classRecord);
    auto second = in.ReadObject(&CPoint::classRecord);
    auto again = in.ReadObject(&CPoint::classRecord);
    auto none = in.ReadObject(&CPoint::classRecord);
    ASSERT_TRUE(first.created);
    EXPECT_EQ(static_cast<CPoint*>(first.get())->x, 7);
    EXPECT_EQ(static_cast<CPoint*>(second.get())->x, 9);
    EXPECT_EQ(again.reference, first.get());
    EXPECT_EQ(none.get(), nullptr);
}

TEST(Archive, BigIndexFormsAreRead)
{
    // Class form: 0x7FFF then 0x80000000 + class index; reference form: 0x7FFF then the index.
    const auto bytes = Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'P', 'o', 'i', 'n', 't', 1, 0, 0, 0,  //
                              0xFF, 0x7F, 1, 0, 0, 0x80, 2, 0, 0, 0,                                //
                              0xFF, 0x7F, 3, 0, 0, 0});
    CArchive in(bytes, kClasses);
    auto first = in.ReadObject(nullptr);
    auto second = in.ReadObject(nullptr);
    auto ref = in.ReadObject(nullptr);
    EXPECT_EQ(static_cast<CPoint*>(second.get())->x, 2);
    EXPECT_EQ(ref.reference, second.get());
}

TEST(Archive, VersionableClassesAcceptAnySchemaAndReportIt)
{
    const auto bytes = Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'S', 'h', 'a', 'p', 'e', 0x01, 0x80});
    CArchive in(bytes, kClasses);
    auto first = in.ReadObject(&CShape::classRecord);
    auto second = in.ReadObject(&CShape::classRecord);
    EXPECT_EQ(static_cast<CShape*>(first.get())->seenSchema, 1u);
    EXPECT_EQ(static_cast<CShape*>(second.get())->seenSchema, 1u);

    CShape shape;
    CArchive out;
    out.WriteObject(&shape);
    EXPECT_EQ(out.Bytes()[2], 2);  // the versionable bit never reaches the file
    EXPECT_EQ(out.Bytes()[3], 0);
}

struct DamagedCase {
    const char* what;
    std::vector<uint8_t> bytes;
    CArchiveException::Cause cause;
};

TEST(Archive, DamagedStreamsEndWithTheArchiveError)
{
    using Cause = CArchiveException::Cause;
    const std::vector<DamagedCase> cases = {
        {"truncated tag", Bytes({0xFF}), Cause::EndOfFile},
        {"truncated class name", Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'P'}), Cause::EndOfFile},
        {"unknown class", Bytes({0xFF, 0xFF, 1, 0, 4, 0, 'C', 'Z', 'Z', 'Z'}), Cause::BadClass},
        {"wrong schema", Bytes({0xFF, 0xFF, 3, 0, 6, 0, 'C', 'P', 'o', 'i', 'n', 't', 0, 0, 0, 0}), Cause::BadSchema},
        {"class name too long", Bytes({0xFF, 0xFF, 1, 0, 0xFF, 0x7F}), Cause::BadClass},
        {"class index never stored", Bytes({0x05, 0x80}), Cause::BadIndex},
        {"object index never stored", Bytes({0x05, 0x00}), Cause::BadIndex},
        {"reference to a class", Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'P', 'o', 'i', 'n', 't', 0, 0, 0, 0, 1, 0}),
         Cause::BadIndex},
        {"truncated big index", Bytes({0xFF, 0x7F, 1, 0}), Cause::EndOfFile},
    };
    for (const auto& c : cases) {
        CArchive in(c.bytes, kClasses);
        try {
            in.ReadObject(&CPoint::classRecord);
            if (std::string(c.what) == "reference to a class") {
                in.ReadObject(&CPoint::classRecord);
            }
            ADD_FAILURE() << c.what << ": no error";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.cause(), c.cause) << c.what << ": " << e.what();
        }
    }
}

TEST(Archive, ObjectOfTheWrongKindIsRefused)
{
    const auto bytes = Bytes({0xFF, 0xFF, 2, 0, 6, 0, 'C', 'S', 'h', 'a', 'p', 'e'});
    CArchive in(bytes, kClasses);
    EXPECT_THROW(in.ReadObject(&CPoint::classRecord), CArchiveException);
}

TEST(Archive, TextLongerThanTheStreamIsRefusedBeforeAllocating)
{
    const auto text = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'});
    CArchive in(text, kClasses);
    try {
        in.ReadString();
        ADD_FAILURE() << "no error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::Cause::BadLength);
    }
    const auto four = Bytes({1, 2, 3, 4});
    CArchive counts(four, kClasses);
    EXPECT_THROW(counts.CheckCount(5, 1, "item"), CArchiveException);
    EXPECT_THROW(counts.CheckCount(-1, 1, "item"), CArchiveException);
    EXPECT_NO_THROW(counts.CheckCount(4, 1, "item"));
}

}  // namespace
}  // namespace tessaron
