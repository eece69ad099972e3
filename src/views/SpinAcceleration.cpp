#include "views/SpinAcceleration.h"

namespace tessaron {

int AcceleratedStep(const std::vector<SpinAccel>& table, int heldMs)
{
    int step = 1;
    for (const SpinAccel& accel : table) {
        if (heldMs >= accel.afterMs) {
            step = accel.step;
        }
    }
    return step;
}

}  // namespace tessaron
