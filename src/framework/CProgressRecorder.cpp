#include "framework/CProgressRecorder.h"

namespace tessaron {

void CProgressRecorder::begin(std::string_view newTitle, int newLower, int newUpper)
{
    title = newTitle;
    lower = newLower;
    upper = newUpper;
    begun = true;
}

void CProgressRecorder::setPosition(int position)
{
    positions.push_back(position);
    if (cancelAt >= 0 && position >= cancelAt) {
        cancelled_ = true;
    }
}

}  // namespace tessaron
