// Program and bank files from outside. The first byte picks the form
// (bit 0: bank, else program) and how the file is made: bit 1 starts from the
// file the plug-in itself writes and overwrites it from the offset in the
// next two bytes with the rest of the input (bit 2 cuts it there instead);
// otherwise the rest of the input is the file. A refused file changes nothing;
// an accepted one leaves every parameter in range and what the plug-in then
// writes loads again.
#include <stdint.h>
#include <string.h>

#include "fuzz_unit.h"

namespace
{
bool SameBytes(ByteChunk* a, ByteChunk* b)
{
  return a->Size() == b->Size() && (!a->Size() || !memcmp(a->GetBytes(), b->GetBytes(), (size_t)a->Size()));
}

bool Make(IPlugBase* pPlug, bool bank, ByteChunk* pFile)
{
  return bank ? pPlug->MakeBankFXB(pFile) : pPlug->MakeProgramFXP(pFile);
}

bool Load(IPlugBase* pPlug, bool bank, ByteChunk* pFile)
{
  return bank ? pPlug->LoadBankFromFXBBytes(pFile) : pPlug->LoadProgramFromFXPBytes(pFile);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1 || size > (1 << 20)) return 0;
  IPlugBase* pPlug = FuzzPlug();
  const bool bank = data[0] & 1;

  ByteChunk file;
  if (data[0] & 2)
  {
    FuzzCheck(Make(pPlug, bank, &file), "the plug-in writes its own file");
    const int offset = size >= 3 ? (data[1] | data[2] << 8) % (file.Size() + 1) : 0;
    const uint8_t* rest = data + (size >= 3 ? 3 : size);
    const int nRest = (int)(data + size - rest);
    ByteChunk edited;
    edited.PutBytes(file.GetBytes(), offset);
    if (!(data[0] & 4))
    {
      edited.PutBytes(rest, nRest);
      if (offset + nRest < file.Size()) edited.PutBytes(file.GetBytes() + offset + nRest, file.Size() - offset - nRest);
    }
    file.Clear();
    file.PutBytes(edited.GetBytes(), edited.Size());
  }
  else
  {
    file.PutBytes(data + 1, (int)size - 1);
  }

  ByteChunk stateBefore, presetsBefore;
  FuzzCheck(pPlug->SerializeState(&stateBefore) && pPlug->SerializePresets(&presetsBefore), "the state serializes");
  const int presetBefore = pPlug->GetCurrentPresetIdx();
  const bool loaded = Load(pPlug, bank, &file);
  FuzzCheckParams(pPlug);
  if (!loaded)
  {
    ByteChunk stateAfter, presetsAfter;
    FuzzCheck(pPlug->SerializeState(&stateAfter) && pPlug->SerializePresets(&presetsAfter), "the state serializes");
    FuzzCheck(SameBytes(&stateBefore, &stateAfter), "a refused file changes no parameter");
    FuzzCheck(SameBytes(&presetsBefore, &presetsAfter), "a refused file changes no preset");
    FuzzCheck(pPlug->GetCurrentPresetIdx() == presetBefore, "a refused file keeps the current preset");
    return 0;
  }
  ByteChunk again;
  FuzzCheck(Make(pPlug, bank, &again) && Load(pPlug, bank, &again), "a file the plug-in writes loads again");
  // Back to where the input started.
  pPlug->UnserializePresets(&presetsBefore, 0);
  pPlug->UnserializeState(&stateBefore, 0);
  return 0;
}
