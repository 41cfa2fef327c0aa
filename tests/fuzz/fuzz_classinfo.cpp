// Saved host state through the Audio Unit entry: the bytes are parsed as an
// XML property list and set as kAudioUnitProperty_ClassInfo. A refused state
// changes nothing; an accepted one leaves every parameter in range and reads
// back as a state that restores.
#include <stdint.h>
#include <string.h>

#include <CoreFoundation/CoreFoundation.h>

#include "fuzz_unit.h"

namespace
{
bool SameState(ByteChunk* a, ByteChunk* b)
{
  return a->Size() == b->Size() && (!a->Size() || !memcmp(a->GetBytes(), b->GetBytes(), (size_t)a->Size()));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1 << 16)) return 0;
  AudioUnit unit = FuzzUnit();
  IPlugBase* pPlug = FuzzPlug();

  CFDataRef bytes = CFDataCreate(nullptr, (const UInt8*)data, (CFIndex)size);
  if (!bytes) return 0;
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, bytes, kCFPropertyListImmutable, nullptr, nullptr);
  CFRelease(bytes);
  if (!plist) return 0;

  ByteChunk before;
  FuzzCheck(pPlug->SerializeState(&before), "the state serializes");
  const int presetBefore = pPlug->GetCurrentPresetIdx();
  const OSStatus r =
    AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &plist, sizeof(plist));
  CFRelease(plist);

  ByteChunk after;
  FuzzCheck(pPlug->SerializeState(&after), "the state serializes after a restore");
  FuzzCheckParams(pPlug);
  if (r != noErr)
  {
    FuzzCheck(SameState(&before, &after), "a refused state changes no parameter");
    FuzzCheck(pPlug->GetCurrentPresetIdx() == presetBefore, "a refused state keeps the current preset");
    return 0;
  }
  CFPropertyListRef saved = nullptr;
  UInt32 savedSize = sizeof(saved);
  FuzzCheck(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                 &savedSize) == noErr && saved,
            "an accepted state reads back");
  FuzzCheck(AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                 sizeof(saved)) == noErr,
            "a state read back restores");
  CFRelease(saved);
  // Back to where the input started.
  pPlug->UnserializeState(&before, 0);
  return 0;
}
