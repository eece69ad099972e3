#pragma once

namespace tessaron::test {

// Counts every allocation and release made by a thread that armed the guard. Linking this
// library replaces the global operators new and delete of the whole test program; threads
// that never arm it are not counted.
void ArmAllocationGuard();
void DisarmAllocationGuard();
// Counted so far, and set back to zero.
long TakeGuardedAllocations();

}  // namespace tessaron::test
