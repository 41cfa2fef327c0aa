// List of pointers over a WDL_HeapBuf. The list does not own its elements
// unless a delete operation is asked to delete them.
#ifndef WDL_PTRLIST_H_
#define WDL_PTRLIST_H_

#include "heapbuf.h"

template <class PTRTYPE>
class WDL_PtrList
{
public:
  // Creates an empty list; granul is the heap granularity in bytes. [any thread]
  explicit WDL_PtrList(int granul = 4096) : m_hb(granul) {}
  // Does not delete the elements; owners empty the list with delete first.
  ~WDL_PtrList() {}

  WDL_PtrList(const WDL_PtrList&) = delete;
  WDL_PtrList& operator=(const WDL_PtrList&) = delete;

  // The element array, or null while empty. [any thread]
  PTRTYPE** GetList() const { return (PTRTYPE**)m_hb.Get(); }
  // Element index, or null when index is outside 0 .. count - 1. [any thread]
  PTRTYPE* Get(int index) const
  {
    PTRTYPE** list = GetList();
    if (list && index >= 0 && index < GetSize()) return list[index];
    return nullptr;
  }
  // Number of elements. [any thread]
  int GetSize() const { return m_hb.GetSize() / (int)sizeof(PTRTYPE*); }

  // Index of the first element equal to p, or -1. [any thread]
  int Find(const PTRTYPE* p) const
  {
    PTRTYPE** list = GetList();
    const int n = GetSize();
    for (int i = 0; i < n; ++i)
      if (list[i] == p) return i;
    return -1;
  }

  // Appends item and returns it, or null when the list cannot grow (then
  // nothing changes). The allocation only grows. May allocate. [any thread]
  PTRTYPE* Add(PTRTYPE* item)
  {
    const int n = GetSize();
    m_hb.Resize((n + 1) * (int)sizeof(PTRTYPE*), false);
    if (GetSize() != n + 1) return nullptr;
    GetList()[n] = item;
    return item;
  }

  // Inserts item at index, clamped into 0 .. count, shifting the tail up.
  // Returns item, or null when the list cannot grow. May allocate. [any thread]
  PTRTYPE* Insert(int index, PTRTYPE* item)
  {
    const int n = GetSize();
    if (index < 0) index = 0;
    if (index > n) index = n;
    m_hb.Resize((n + 1) * (int)sizeof(PTRTYPE*), false);
    if (GetSize() != n + 1) return nullptr;
    PTRTYPE** list = GetList();
    memmove(list + index + 1, list + index, (size_t)(n - index) * sizeof(PTRTYPE*));
    list[index] = item;
    return item;
  }

  // Removes element index, deleting the object first when deleteObject is
  // set, and closes the gap. An index out of range does nothing. [any thread]
  void Delete(int index, bool deleteObject = false)
  {
    const int n = GetSize();
    if (index < 0 || index >= n) return;
    PTRTYPE** list = GetList();
    if (deleteObject) delete list[index];
    memmove(list + index, list + index + 1, (size_t)(n - index - 1) * sizeof(PTRTYPE*));
    m_hb.Resize((n - 1) * (int)sizeof(PTRTYPE*), false);
  }

  // Removes every element, deleting the objects from the last to the first
  // when deleteObjects is set. [any thread]
  void Empty(bool deleteObjects = false)
  {
    if (deleteObjects)
    {
      for (int i = GetSize() - 1; i >= 0; --i)
      {
        delete GetList()[i];
        m_hb.Resize(i * (int)sizeof(PTRTYPE*), false);
      }
    }
    m_hb.Resize(0, false);
  }

  WDL_HeapBuf m_hb;
};

#endif
