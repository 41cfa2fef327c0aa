// Growable raw heap block and its typed view.
//
// WDL_HeapBuf keeps an allocation larger than the bytes in use so that
// repeated growth is cheap; WDL_TypedBuf counts in elements of one type.
// Neither is thread-safe: the owner serialises access.
#ifndef WDL_HEAPBUF_H_
#define WDL_HEAPBUF_H_

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

class WDL_HeapBuf
{
public:
  // Creates an empty block. granul is the growth granularity in bytes (values
  // of 4096 and above switch to page-rounded allocations). [any thread]
  explicit WDL_HeapBuf(int granul = 4096) : m_buf(nullptr), m_granul(granul > 0 ? granul : 4096), m_alloc(0), m_size(0), m_mas(0) {}
  ~WDL_HeapBuf() { free(m_buf); }

  WDL_HeapBuf(const WDL_HeapBuf&) = delete;
  WDL_HeapBuf& operator=(const WDL_HeapBuf&) = delete;

  // The block, or null while the size is 0. [any thread]
  void* Get() const { return m_size ? m_buf : nullptr; }
  // Bytes in use. [any thread]
  int GetSize() const { return m_size; }
  // Bytes currently allocated (at least GetSize()). [any thread]
  int GetAlloc() const { return m_alloc; }
  // Growth granularity in bytes. [any thread]
  int GetGranul() const { return m_granul; }
  // Sets the growth granularity used by later allocations. [any thread]
  void SetGranul(int granul) { if (granul > 0) m_granul = granul; }
  // Sets the minimum allocation in bytes used by later allocations. [any thread]
  void SetMinAllocSize(int mas) { m_mas = mas > 0 ? mas : 0; }

  // Sets the size in bytes and returns the block (null when the size is 0).
  // Growing past the allocation reallocates with spare room; shrinking
  // reallocates only when resizeDown is set and the new size is far below
  // the allocation. If memory cannot be had (or the allocation would not fit
  // in an int) the old block and size stay and the old block is returned, so
  // callers detect failure by GetSize() != newSize. Negative sizes count as 0.
  // May allocate. [any thread]
  void* Resize(int newSize, bool resizeDown = true)
  {
    if (newSize < 0) newSize = 0;
    if (newSize == m_size) return Get();

    const int a = m_alloc;
    if (newSize > a || (resizeDown && newSize < m_size && newSize < a / 2 && (int64_t)newSize < (int64_t)a - 4 * (int64_t)m_granul))
    {
      const int64_t newAlloc = AllocFor(newSize);
      if (newAlloc > INT_MAX) return Get();
      if (newAlloc != a)
      {
        if (newAlloc <= 0)
        {
          free(m_buf);
          m_buf = nullptr;
          m_alloc = 0;
          m_size = 0;
          return nullptr;
        }
        void* nbuf = realloc(m_buf, (size_t)newAlloc);
        if (!nbuf)
        {
          nbuf = malloc((size_t)newAlloc);
          if (!nbuf) return Get();
          if (m_buf && m_size) memcpy(nbuf, m_buf, (size_t)(newSize < m_size ? newSize : m_size));
          free(m_buf);
        }
        m_buf = nbuf;
        m_alloc = (int)newAlloc;
      }
    }
    m_size = newSize;
    return Get();
  }

  // Allocation chosen for a block of newSize bytes, before the int check. [any thread]
  int64_t AllocFor(int newSize) const
  {
    if (newSize < 1) return m_mas;
    int64_t g = newSize / 2;
    if (g < m_granul) g = m_granul;
    int64_t alloc;
    if (m_granul < 4096)
    {
      alloc = (int64_t)newSize + g;
    }
    else
    {
      g &= ~(int64_t)4095;
      if (g < 4096) g = 4096;
      else if (g > 4 * 1024 * 1024) g = 4 * 1024 * 1024;
      alloc = (((int64_t)newSize + g + 96) & ~(int64_t)4095) - 96;
    }
    return alloc < m_mas ? m_mas : alloc;
  }

  // Field order is part of the container's contract.
  void* m_buf;   // the allocation, or null
  int m_granul;  // growth granularity, bytes
  int m_alloc;   // bytes allocated
  int m_size;    // bytes in use
  int m_mas;     // minimum allocation, bytes (0 unless set)
};

// A WDL_HeapBuf holding elements of the trivially copyable type T; sizes are
// counted in elements.
template <class T>
class WDL_TypedBuf
{
public:
  // Creates an empty buffer with the given heap granularity in bytes. [any thread]
  explicit WDL_TypedBuf(int granul = 4096) : m_hb(granul) {}

  // The elements, or null while empty. [any thread]
  T* Get() const { return (T*)m_hb.Get(); }
  // Number of elements. [any thread]
  int GetSize() const { return m_hb.GetSize() / (int)sizeof(T); }

  // Sets the number of elements and returns the buffer. A count whose byte
  // size does not fit in an int, or memory that cannot be had, leaves the
  // buffer as it was (check GetSize()). May allocate. [any thread]
  T* Resize(int newCount, bool resizeDown = true)
  {
    if (newCount < 0) newCount = 0;
    if ((int64_t)newCount * (int64_t)sizeof(T) > INT_MAX) return Get();
    return (T*)m_hb.Resize(newCount * (int)sizeof(T), resizeDown);
  }

  // Appends count elements copied from data (uninitialised when data is
  // null) and returns a pointer to the first new element, or null when the
  // buffer cannot grow. May allocate. [any thread]
  T* Add(const T* data, int count = 1)
  {
    const int oldCount = GetSize();
    if (count <= 0 || (int64_t)oldCount + count > INT_MAX) return nullptr;
    Resize(oldCount + count, false);
    if (GetSize() != oldCount + count) return nullptr;
    T* dst = Get() + oldCount;
    if (data) memcpy((void*)dst, (const void*)data, (size_t)count * sizeof(T));
    return dst;
  }

  // The underlying heap block. [any thread]
  WDL_HeapBuf* GetHeapBuf() { return &m_hb; }
  const WDL_HeapBuf* GetHeapBuf() const { return &m_hb; }

  WDL_HeapBuf m_hb;
};

#endif
