// Platform records the image engine shares with the drawing-context layer:
// the rectangle record, the drawing-context handle and the three calls that
// create, address and delete a memory drawing context.
//
// The drawing-context layer owns these; until it exists, lice_memdc.cpp
// provides a memory context with exactly this interface.
#ifndef LICE_PLATFORM_H_
#define LICE_PLATFORM_H_

#ifndef LICE_PLATFORM_RECT_DEFINED
#define LICE_PLATFORM_RECT_DEFINED
// Rectangle in pixels: left and top inclusive, right and bottom exclusive.
struct RECT
{
  int left, top, right, bottom;
};
#endif

// Handle of a platform drawing context (opaque).
struct HDC__;
typedef HDC__* HDC;

// Creates an off-screen drawing context over a zero-filled 32-bit buffer of
// w x h pixels (bytes A or padding, R, G, B; rows top-down, w * 4 bytes per
// row, start aligned to 64 bytes). reference may be null. Returns null when
// w or h is not positive or the memory cannot be obtained. [main thread]
HDC SWELL_CreateMemContext(HDC reference, int w, int h);

// Deletes a context made by SWELL_CreateMemContext, and its buffer; null is
// ignored. [main thread]
void SWELL_DeleteGfxContext(HDC ctx);

// The first pixel of a memory context's buffer, or null for null or a
// context without a buffer. [main thread]
void* SWELL_GetCtxFrameBuffer(HDC ctx);

#endif
