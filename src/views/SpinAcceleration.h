#pragma once

#include <initializer_list>
#include <vector>

namespace tessaron {

// How a held spin button speeds up: from `afterMs` of holding on, each step moves by `step`.
struct SpinAccel {
    int afterMs;
    int step;
};

// The step size after `heldMs` of holding, from a table in rising order of time.
int AcceleratedStep(const std::vector<SpinAccel>& table, int heldMs);

// The Options dialog: 1, then 10 after 2 s, 40 after 4 s.
inline const std::vector<SpinAccel> kOptionsSpinAccel = {{0, 1}, {2000, 10}, {4000, 40}};
// The "Event" dialog's time spins: 1, 10 after 2 s, 100 after 3 s, 5000 after 5 s.
inline const std::vector<SpinAccel> kEventSpinAccel = {{0, 1}, {2000, 10}, {3000, 100}, {5000, 5000}};
// The tool bar spins, as a plain up-down control speeds up: 1, 5 after 2 s, 20 after 5 s.
inline const std::vector<SpinAccel> kToolBarSpinAccel = {{0, 1}, {2000, 5}, {5000, 20}};

}  // namespace tessaron
