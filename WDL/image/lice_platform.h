// Platform records the image engine shares with the drawing-context layer:
// the rectangle record, the drawing-context handle and the calls that
// create, address and delete a memory drawing context (all from swell.h).
#ifndef LICE_PLATFORM_H_
#define LICE_PLATFORM_H_

#include "swell.h"

#endif
