// Gestalt: the only selectors answered are those of the system version.
#include <CoreServices/Gestalt.h>

extern "C" OSErr Gestalt(OSType selector, SInt32* response) {
  if (!response) return paramErr;
  // The platform version this system's code was written against: 10.6.8.
  switch (selector) {
    case gestaltSystemVersion: *response = 0x1068; return noErr;
    case gestaltSystemVersionMajor: *response = 10; return noErr;
    case gestaltSystemVersionMinor: *response = 6; return noErr;
    case gestaltSystemVersionBugFix: *response = 8; return noErr;
    default: return gestaltUndefSelectorErr;
  }
}
