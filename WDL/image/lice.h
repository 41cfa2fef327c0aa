// The image engine: bitmaps, combine functions, blits, PNG coding and vector
// primitives and cached-font text, all in one include.
#ifndef LICE_H_
#define LICE_H_

#include "lice_bitmap.h"
#include "lice_blit.h"
#include "lice_combine.h"
#include "lice_png.h"
#include "lice_scaled.h"
#include "lice_text.h"
#include "lice_vector.h"

#endif
