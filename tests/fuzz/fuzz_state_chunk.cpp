// State chunks and preset lists from outside: the first byte picks the reader
// (whole state, parameter block, preset list), the rest is the chunk. Whatever
// the bytes, every parameter stays finite and within range, a reported
// position lies within the chunk, and the state read back still restores.
#include <stdint.h>

#include "fuzz_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1 || size > (1 << 20)) return 0;
  IPlugBase* pPlug = FuzzPlug();

  // Each input starts from the same state and preset list.
  static ByteChunk* s_state = nullptr;
  static ByteChunk* s_presets = nullptr;
  if (!s_state)
  {
    s_state = new ByteChunk;
    s_presets = new ByteChunk;
    FuzzCheck(pPlug->SerializeState(s_state) && pPlug->SerializePresets(s_presets), "the start state serializes");
  }

  ByteChunk chunk;
  chunk.PutBytes(data + 1, (int)size - 1);
  int pos = -1;
  switch (data[0] % 3)
  {
    case 0: pos = pPlug->UnserializeState(&chunk, 0); break;
    case 1: pos = pPlug->UnserializeParams(&chunk, 0); break;
    default: pos = pPlug->UnserializePresets(&chunk, 0); break;
  }
  FuzzCheck(pos >= -1 && pos <= chunk.Size(), "a reader reports a position within the chunk or -1");
  FuzzCheckParams(pPlug);
  for (int i = 0; i < pPlug->NPresets(); ++i) pPlug->GetPresetName(i);

  ByteChunk after;
  FuzzCheck(pPlug->SerializeState(&after), "the state serializes after any input");
  FuzzCheck(pPlug->UnserializeState(&after, 0) == after.Size(), "a serialized state restores whole");

  FuzzCheck(pPlug->UnserializePresets(s_presets, 0) == s_presets->Size(), "the start preset list restores");
  FuzzCheck(pPlug->UnserializeState(s_state, 0) == s_state->Size(), "the start state restores");
  return 0;
}
