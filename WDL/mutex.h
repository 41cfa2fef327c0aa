// Recursive per-thread mutex and its scoped guard.
//
// The owning thread may enter again without blocking; every Enter needs a
// matching Leave. Any other thread blocks in Enter until the owner has left
// as often as it entered.
#ifndef WDL_MUTEX_H_
#define WDL_MUTEX_H_

#include <pthread.h>

#include <atomic>

class WDL_Mutex
{
public:
  // Creates a free mutex. [any thread]
  WDL_Mutex() : m_ownerthread(0), m_lockcnt(0) { pthread_mutex_init(&m_mutex, nullptr); }
  // The mutex must be free. [any thread]
  ~WDL_Mutex() { pthread_mutex_destroy(&m_mutex); }

  WDL_Mutex(const WDL_Mutex&) = delete;
  WDL_Mutex& operator=(const WDL_Mutex&) = delete;

  // Takes the mutex; re-entry by the owner only counts. Blocks while another
  // thread owns it. [any thread]
  void Enter()
  {
    const pthread_t self = pthread_self();
    if (m_ownerthread.load(std::memory_order_relaxed) == self)
    {
      ++m_lockcnt;
      return;
    }
    pthread_mutex_lock(&m_mutex);
    m_ownerthread.store(self, std::memory_order_relaxed);
    m_lockcnt = 0;
  }

  // As Enter, but never blocks: returns false (and takes nothing) while
  // another thread owns the mutex. A true result needs a matching Leave.
  // [any thread, including the render thread]
  bool TryEnter()
  {
    const pthread_t self = pthread_self();
    if (m_ownerthread.load(std::memory_order_relaxed) == self)
    {
      ++m_lockcnt;
      return true;
    }
    if (pthread_mutex_trylock(&m_mutex) != 0) return false;
    m_ownerthread.store(self, std::memory_order_relaxed);
    m_lockcnt = 0;
    return true;
  }

  // Releases one entry; the last one frees the mutex. Must be called by the
  // owner. [any thread]
  void Leave()
  {
    if (--m_lockcnt < 0)
    {
      m_lockcnt = 0;
      m_ownerthread.store(0, std::memory_order_relaxed);
      pthread_mutex_unlock(&m_mutex);
    }
  }

  pthread_mutex_t m_mutex;                // default attributes
  std::atomic<pthread_t> m_ownerthread;  // owner; 0 when free (no running thread has id 0)
                                        // atomic because other threads read it while it changes
  int m_lockcnt;                          // entries beyond the first; touched by the owner only
};

// Holds a WDL_Mutex for its scope; a null mutex pointer skips both steps.
class WDL_MutexLock
{
public:
  // Enters m (if not null). [any thread]
  explicit WDL_MutexLock(WDL_Mutex* m) : m_m(m) { if (m_m) m_m->Enter(); }
  // Leaves m (if not null). [any thread]
  ~WDL_MutexLock() { if (m_m) m_m->Leave(); }

  WDL_MutexLock(const WDL_MutexLock&) = delete;
  WDL_MutexLock& operator=(const WDL_MutexLock&) = delete;

private:
  WDL_Mutex* m_m;
};

#endif
