#include "app/ToolBarRules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tessaron::toolbar_rules {

double LeadingNumber(std::string_view text)
{
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

std::string TempoAfterSpin(std::string_view fieldText, int step)
{
    double tempo = LeadingNumber(fieldText) + step / 10.0;
    tempo = std::clamp(tempo, kTempoMin, kTempoMax);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", tempo);
    return text;
}

bool AcceptsCharacter(char32_t character)
{
    return (character >= U'0' && character <= U'9') || character == U'.' || character == U'\b';
}

}  // namespace tessaron::toolbar_rules
