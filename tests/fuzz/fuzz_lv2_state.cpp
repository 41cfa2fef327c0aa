// LV2 state restore of the effect with any stored bytes: the first byte picks
// the type the host reports for them, the rest is the stored value. A refused
// restore changes nothing; an accepted one leaves every parameter in range,
// and what is saved afterwards restores again.
#include <stdint.h>
#include <string.h>

#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/state/state.h>

#include "IPlugLV2.h"
#include "fuzz_unit.h"
#include "lv2_urid_map.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace
{
struct Stored
{
  std::vector<uint8_t> bytes;
  uint32_t type = 0;
};

const void* Retrieve(LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type, uint32_t* flags)
{
  Stored* stored = (Stored*)handle;
  *size = stored->bytes.size();
  *type = stored->type;
  *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return stored->bytes.empty() ? nullptr : stored->bytes.data();
}

LV2_State_Status Store(LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t type, uint32_t)
{
  Stored* stored = (Stored*)handle;
  stored->bytes.assign((const uint8_t*)value, (const uint8_t*)value + size);
  stored->type = type;
  return LV2_STATE_SUCCESS;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1 || size > (1 << 16)) return 0;
  static Lv2UridMap* s_urid = new Lv2UridMap;
  static const LV2_Descriptor* s_descriptor = lv2_descriptor(0);
  static LV2_Handle s_instance = s_descriptor->instantiate(s_descriptor, 48000.0, "", s_urid->features);
  FuzzCheck(s_instance != nullptr, "the effect instantiates");
  static const LV2_State_Interface* s_state =
    (const LV2_State_Interface*)s_descriptor->extension_data(LV2_STATE__interface);
  IPlugLV2* pPlug = static_cast<IPlugLV2*>((void*)s_instance);

  Stored before;
  FuzzCheck(s_state->save(s_instance, Store, &before, 0, nullptr) == LV2_STATE_SUCCESS, "the state saves");

  Stored input;
  input.type = (data[0] & 1) ? s_urid->Id(LV2_ATOM__Chunk) : s_urid->Id(LV2_ATOM__String);
  input.bytes.assign(data + 1, data + size);
  const LV2_State_Status r = s_state->restore(s_instance, Retrieve, &input, 0, s_urid->features);
  FuzzCheckParams(pPlug);

  Stored after;
  FuzzCheck(s_state->save(s_instance, Store, &after, 0, nullptr) == LV2_STATE_SUCCESS, "the state saves again");
  if (r != LV2_STATE_SUCCESS)
  {
    FuzzCheck(after.bytes == before.bytes, "a refused restore changes nothing");
    return 0;
  }
  FuzzCheck(s_state->restore(s_instance, Retrieve, &after, 0, s_urid->features) == LV2_STATE_SUCCESS,
            "a saved state restores");
  FuzzCheck(s_state->restore(s_instance, Retrieve, &before, 0, s_urid->features) == LV2_STATE_SUCCESS,
            "the start state restores");
  return 0;
}
