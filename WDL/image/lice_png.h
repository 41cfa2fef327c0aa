// PNG decoding into and encoding from 32-bit bitmaps (libpng).
#ifndef LICE_PNG_H_
#define LICE_PNG_H_

#include <cstddef>

#include "lice_bitmap.h"

// Decodes the PNG file at path. With into, that bitmap is resized to the
// image and filled, and returned; otherwise a new LICE_MemBitmap (line
// alignment 4) is returned, owned by the caller. Every colour type arrives as
// A, R, G, B bytes, not premultiplied: palettes and grey are expanded,
// transparency chunks become alpha, 16-bit samples keep their high byte,
// images without alpha get alpha 255. Returns null for a missing, unreadable
// or corrupt file and when the bitmap cannot take the image size (into may
// then have been resized). [main thread]
LICE_IBitmap* LICE_LoadPNG(const char* path, LICE_IBitmap* into = nullptr);

// Opens the PNG file at path reading only its header: the bitmap returned
// (owned by the caller) has the header's width and height at once and decodes
// its pixels as LICE_LoadPNG does on their first use (getBits, getRowSpan,
// resize), once, from whichever thread comes first. Pixels that fail to decode
// then read as transparent black. Returns null for a missing file or a header
// LICE_LoadPNG would refuse (not a PNG, a side of 0 or above 2^20). Images
// that may never be drawn cost only their header this way. [main thread]
LICE_IBitmap* LICE_OpenPNG(const char* path);

// As LICE_LoadPNG, decoding the PNG held in the given bytes. [main thread]
//
// Both decoders give the PNG library a memory budget of a few megabytes
// beyond the bitmap's pixels (plus row buffers in proportion to the width):
// ancillary chunks above 2 MiB or beyond the budget are skipped, images wider
// or taller than 2^20 pixels are refused.
LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t bytes, LICE_IBitmap* into = nullptr);

// Most bytes the PNG library held at once during the calling thread's last
// decode. [any thread]
size_t LICE_PNGDecodePeakBytes();

// Writes bm to path as an 8-bit RGBA PNG (or RGB when wantAlpha is false).
// Returns false for null or empty bitmaps and on any write error (a partial
// file may remain). [main thread]
bool LICE_WritePNG(const char* path, LICE_IBitmap* bm, bool wantAlpha = true);

#endif
