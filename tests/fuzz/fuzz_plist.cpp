// The XML property-list reader on any bytes. A list it accepts and the host's
// writer can write reads back equal to itself, unless the writer had to put
// U+FFFD for characters XML cannot carry (which may also reorder or merge
// dictionary keys).
#include <stdint.h>

#include <string>

#include <CoreFoundation/CoreFoundation.h>

#include "fuzz_unit.h"
#include "plist.h"

namespace
{
CFPropertyListRef Parse(const void* bytes, size_t size)
{
  CFDataRef data = CFDataCreate(nullptr, (const UInt8*)bytes, (CFIndex)size);
  if (!data) return nullptr;
  CFErrorRef error = nullptr;
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, &error);
  CFRelease(data);
  FuzzCheck(!plist == !!error, "a read gives either a list or an error");
  if (error) CFRelease(error);
  return plist;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1 << 16)) return 0;
  CFPropertyListRef plist = Parse(data, size);
  if (!plist) return 0;
  std::string xml, error;
  if (cinderpath_cli::WritePropertyListXml(plist, &xml, &error))
  {
    CFPropertyListRef again = Parse(xml.data(), xml.size());
    FuzzCheck(again != nullptr, "written XML reads back");
    FuzzCheck(CFEqual(plist, again) || xml.find("\xEF\xBF\xBD") != std::string::npos,
              "a list read back from its own XML is equal to it");
    CFRelease(again);
  }
  CFRelease(plist);
  return 0;
}
