// A URI map and unmap as LV2 hosts provide them, for the tests and the host
// benchmark. Not thread-safe; ids start at 1 in order of first use.
#ifndef CINDERPATH_TESTS_LV2_URID_MAP_H
#define CINDERPATH_TESTS_LV2_URID_MAP_H

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <map>
#include <string>
#include <vector>

struct Lv2UridMap
{
  Lv2UridMap() = default;
  Lv2UridMap(const Lv2UridMap&) = delete;
  Lv2UridMap& operator=(const Lv2UridMap&) = delete;

  // The id of uri, assigned on first use. [any thread, one at a time]
  LV2_URID Id(const char* uri)
  {
    auto it = ids.find(uri);
    if (it != ids.end()) return it->second;
    uris.push_back(uri);
    return ids[uri] = (LV2_URID)uris.size();
  }

  std::map<std::string, LV2_URID> ids;
  std::vector<std::string> uris;  // uris[id - 1]
  LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Lv2UridMap*>(h)->Id(uri); }};
  LV2_URID_Unmap unmap{this, [](LV2_URID_Unmap_Handle h, LV2_URID id) -> const char* {
                         auto* self = static_cast<Lv2UridMap*>(h);
                         return (id >= 1 && id <= self->uris.size()) ? self->uris[id - 1].c_str() : nullptr;
                       }};
  LV2_Feature mapFeature{LV2_URID__map, &map};
  LV2_Feature unmapFeature{LV2_URID__unmap, &unmap};
  const LV2_Feature* features[3] = {&mapFeature, &unmapFeature, nullptr};
};

#endif
