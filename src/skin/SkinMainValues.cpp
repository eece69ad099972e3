#include "skin/SkinMainValues.h"

namespace tessaron::skin {

int32_t FontPixelHeight(int32_t dotsPerInch, int32_t points)
{
    return static_cast<int32_t>(static_cast<int64_t>(dotsPerInch) * points / 72);
}

}  // namespace tessaron::skin
