// The containers and the lock are header-only; this unit gives the `wdl`
// library an object file. Each header includes everything it uses, so the
// order below does not matter.
#include "heapbuf.h"
#include "mutex.h"
#include "ptrlist.h"
#include "wdlstring.h"
