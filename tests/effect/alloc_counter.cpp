#include "alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<bool> gArmed{false};
std::atomic<long> gCount{0};
}  // namespace

namespace effect_test
{
void ArmAllocationCounter()
{
  gCount = 0;
  gArmed = true;
}

long DisarmAllocationCounter()
{
  gArmed = false;
  return gCount.load();
}
}  // namespace effect_test

void* operator new(std::size_t size)
{
  if (gArmed.load(std::memory_order_relaxed)) gCount.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
  return operator new(size);
}

// The nothrow forms too: memory from them is released by the replaced
// delete above, so they must come from malloc as well.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  if (gArmed.load(std::memory_order_relaxed)) gCount.fetch_add(1);
  return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
  return operator new(size, tag);
}

void operator delete(void* p) noexcept
{
  std::free(p);
}

void operator delete[](void* p) noexcept
{
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
  std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
  std::free(p);
}
