#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaron::skin {

// The lexical rules of skin files, over the text of one file.
//  - Blanks are space and tab; line ends are CR and LF in any combination.
//  - "//" where a line element would start comments out the rest of the line.
//  - A section starts at "%NAME"; it ends at the next "%" that starts a line element.
//  - A line of a section starts at the next ":"; its keyword runs to a blank or a line end.
//  - Numbers: [+-]digits, "#" and hexadecimal digits, or "RGB(r g b)" in any case, with
//    optional commas and closing parenthesis. A value that is not a number leaves the cursor
//    where it was, so the rest of that line's numbers are not read either.
//  - Strings run from a double quote to the next double quote anywhere later (or, when there
//    is none, to the end of the line); "" gives no value.
class SkinReader {
public:
    static constexpr size_t kMaxKeyword = 256;

    explicit SkinReader(std::string_view text) : text_(text) {}

    // Places the cursor after the first "%" + name (compared as a prefix, case-sensitively)
    // that has no "//" before it on its line.
    bool FindSection(std::string_view name);
    // Moves to the next line of the current section and returns its keyword, or nothing at
    // the section's end.
    std::optional<std::string> NextLine();

    std::optional<int32_t> Number();
    // An empty string is consumed but gives no value.
    std::optional<std::string> String();
    bool NextIsQuote();

    size_t Position() const { return pos_; }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
    void SkipBlanks();
    void SkipToLineEnd();
    std::optional<int32_t> Decimal();
    std::optional<int32_t> Hexadecimal();
    std::optional<int32_t> Rgb();

    std::string_view text_;
    size_t pos_ = 0;
    bool inSection_ = false;
};

}  // namespace tessaron::skin
