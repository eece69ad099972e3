#include "AllocationGuard.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

thread_local bool guardArmed = false;
std::atomic<long> guardedAllocations{0};

void* Allocate(std::size_t size)
{
    if (guardArmed) {
        guardedAllocations.fetch_add(1);
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept
{
    if (guardArmed && p) {
        guardedAllocations.fetch_add(1);
    }
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace tessaron::test {

void ArmAllocationGuard() { guardArmed = true; }
void DisarmAllocationGuard() { guardArmed = false; }
long TakeGuardedAllocations() { return guardedAllocations.exchange(0); }

}  // namespace tessaron::test
