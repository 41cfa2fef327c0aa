// The processing frame must not allocate: every allocation made by the test's
// own thread while the counter is armed is counted. The sanitizer build counts
// through the sanitizer's allocation hooks; other builds wrap the C library's
// allocator. Allocations of other threads and of unarmed code pass untouched,
// so the other tests of this executable are unaffected.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "core_test_plug.h"

#if defined(__SANITIZE_ADDRESS__)
#define CORE_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORE_TEST_ASAN 1
#endif
#endif

namespace {

thread_local bool tArmed = false;
std::atomic<int> sAllocations{0};

void Count()
{
  if (tArmed) sAllocations.fetch_add(1, std::memory_order_relaxed);
}

// Counts allocations made by this thread for its lifetime.
class AllocationCounter
{
public:
  AllocationCounter()
  {
    sAllocations = 0;
    tArmed = true;
  }
  ~AllocationCounter() { tArmed = false; }
  int Count() const { return sAllocations.load(); }
};

}  // namespace

#ifdef CORE_TEST_ASAN
// Declared by the sanitizer runtime (its header is not shipped with every
// compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, size_t),
                                                         void (*freeHook)(const volatile void*));

namespace {
void MallocHook(const volatile void*, size_t) { Count(); }
void FreeHook(const volatile void*) {}
const int sHooksInstalled = __sanitizer_install_malloc_and_free_hooks(MallocHook, FreeHook);
}  // namespace

#else

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void __libc_free(void* p);

void* malloc(size_t size)
{
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size)
{
  Count();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size)
{
  Count();
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
}

#endif

TEST(BaseAlloc, CounterSeesAllocations)
{
  AllocationCounter counter;
  std::vector<int>* v = new std::vector<int>(100);
  void* p = malloc(16);
  p = realloc(p, 100000);
  const int n = counter.Count();
  free(p);
  delete v;
  EXPECT_GE(n, 3);
}

TEST(BaseAlloc, ProcessingFrameAllocatesNothing)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(256));
  plug.SetInputChannelConnections(0, 2, true);
  std::vector<float> in0(256, 0.5f), in1(256, -0.5f), out0(256), out1(256);
  std::vector<double> din(256, 0.25), dout0(256), dout1(256);
  float* fins[2] = {in0.data(), in1.data()};
  float* fouts[2] = {out0.data(), out1.data()};
  double* dins[2] = {din.data(), din.data()};
  double* douts[2] = {dout0.data(), dout1.data()};

  AllocationCounter counter;
  for (int block = 0; block < 8; ++block)
  {
    const int nFrames = block % 2 ? 256 : 77;
    plug.SetOutputChannelConnections(0, 2, true);
    plug.AttachInputBuffers(0, 2, fins, nFrames);
    plug.AttachOutputBuffers(0, 2, fouts);
    plug.ProcessBuffers(0.0f, nFrames);
    plug.ProcessBuffersAccumulating(0.0f, nFrames);
    plug.PassThroughBuffers(0.0f, nFrames);

    plug.SetOutputChannelConnections(1, 1, false);
    plug.AttachInputBuffers(0, 2, dins, nFrames);
    plug.AttachOutputBuffers(0, 2, douts);
    plug.ProcessBuffers(0.0, nFrames);
    plug.PassThroughBuffers(0.0, nFrames);
    plug.GetSamplesPerBeat();
  }
  EXPECT_EQ(counter.Count(), 0);
  EXPECT_EQ(out0[0], 0.5f);  // the frames did run
  EXPECT_EQ(dout0[0], 0.25);
}
