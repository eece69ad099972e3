#include <gtest/gtest.h>

#include <string>

#include "skin/SkinReader.h"

namespace tessaron::skin {
namespace {

TEST(SkinReader, NumbersInEveryForm)
{
    SkinReader reader("  42 -7 +3 #1F #ffffffff RGB(1,2,3) rgb (10 20 30) Rgb( 300 , -1 ,2 ) #");
    EXPECT_EQ(reader.Number(), 42);
    EXPECT_EQ(reader.Number(), -7);
    EXPECT_EQ(reader.Number(), 3);
    EXPECT_EQ(reader.Number(), 0x1F);
    EXPECT_EQ(reader.Number(), -1);  // eight hex digits fill the 32 bits
    EXPECT_EQ(reader.Number(), 1 + 256 * 2 + 65536 * 3);
    EXPECT_EQ(reader.Number(), 10 + 256 * 20 + 65536 * 30);
    // Each component is cut to its low 8 bits.
    EXPECT_EQ(reader.Number(), (300 & 0xFF) + 256 * 0xFF + 65536 * 2);
    EXPECT_EQ(reader.Number(), std::nullopt);  // "#" without digits
}

TEST(SkinReader, ValueThatIsNotANumberLeavesTheCursor)
{
    for (const char* text : {"abc 5", "- 5", "RGB(1 2) 5", "RGB  (1 2 3) 5", "#g 5", "\"tip\" 5"}) {
        SkinReader reader(text);
        const size_t before = reader.Position();
        EXPECT_EQ(reader.Number(), std::nullopt) << text;
        EXPECT_EQ(reader.Position(), before) << text;
        EXPECT_EQ(reader.Number(), std::nullopt) << "the numbers after it are not read either: " << text;
    }
}

TEST(SkinReader, HugeNumbersSaturate)
{
    SkinReader reader("99999999999999999999 -99999999999999999999 2147483647");
    EXPECT_EQ(reader.Number(), 2147483647);
    EXPECT_EQ(reader.Number(), -2147483647 - 1);
    EXPECT_EQ(reader.Number(), 2147483647);
}

TEST(SkinReader, Strings)
{
    SkinReader reader("\"one\" \"\" \"across\nlines\" 7 \"open to the end\r\nnext");
    EXPECT_EQ(reader.String(), "one");
    EXPECT_EQ(reader.String(), std::nullopt);  // "" gives no value ...
    EXPECT_EQ(reader.String(), "across\nlines");  // ... but is consumed
    EXPECT_EQ(reader.String(), std::nullopt);
    EXPECT_EQ(reader.Number(), 7);
    EXPECT_EQ(reader.String(), "open to the end");  // no closing quote: the line's end

    SkinReader last("\"unterminated");
    EXPECT_EQ(last.String(), "unterminated");
    EXPECT_EQ(last.String(), std::nullopt);
}

TEST(SkinReader, FindSection)
{
    const std::string text = "// %PIANO in a comment\n"
                             "x // text %PIANO after a comment\n"
                             "%piano\n"
                             "%PIANOS :FIRST\n"
                             "%PIANO :SECOND\n";
    SkinReader reader(text);
    ASSERT_TRUE(reader.FindSection("PIANO"));
    // Case-sensitive prefix: "%PIANOS" is the first match.
    EXPECT_EQ(reader.NextLine(), "FIRST");
    EXPECT_EQ(reader.NextLine(), std::nullopt);  // "%PIANO" starts a line: the section ends
    EXPECT_FALSE(reader.FindSection("MAIN"));
    EXPECT_EQ(reader.NextLine(), std::nullopt);
}

TEST(SkinReader, LinesCommentsAndSectionEnd)
{
    const std::string text = "%MAIN ignored header text\n"
                             "  // :HIDDEN 1\n"
                             "junk :ONE 1 2 // :ALSO_HIDDEN\n"
                             ":TWO 5 x%not an end :THREE\n"
                             "\t:FOUR\r\r\n"
                             "  %OTHER\n"
                             ":FIVE\n";
    SkinReader reader(text);
    ASSERT_TRUE(reader.FindSection("MAIN"));
    EXPECT_EQ(reader.NextLine(), "ONE");
    EXPECT_EQ(reader.Number(), 1);
    EXPECT_EQ(reader.Number(), 2);
    EXPECT_EQ(reader.NextLine(), "TWO");
    EXPECT_EQ(reader.Number(), 5);
    EXPECT_EQ(reader.NextLine(), "THREE");  // a "%" inside ignored text ends nothing
    EXPECT_EQ(reader.NextLine(), "FOUR");
    EXPECT_EQ(reader.NextLine(), std::nullopt);
    EXPECT_EQ(reader.NextLine(), std::nullopt);

    SkinReader afterValues("%S\n:A 1 %T\n:B\n");
    ASSERT_TRUE(afterValues.FindSection("S"));
    EXPECT_EQ(afterValues.NextLine(), "A");
    EXPECT_EQ(afterValues.Number(), 1);
    EXPECT_EQ(afterValues.NextLine(), std::nullopt);  // "%" right after a line's values
}

TEST(SkinReader, KeywordIsCutAt256Characters)
{
    const std::string text = "%S\n:" + std::string(300, 'K') + " 9\n";
    SkinReader reader(text);
    ASSERT_TRUE(reader.FindSection("S"));
    EXPECT_EQ(reader.NextLine(), std::string(256, 'K'));
    EXPECT_EQ(reader.Number(), 9);
}

}  // namespace
}  // namespace tessaron::skin
