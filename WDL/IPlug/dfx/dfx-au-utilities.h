// Reference-counted factory-preset records for the Audio Unit binding.
//
// A host reads kAudioUnitProperty_FactoryPresets as a CFArray whose elements it
// treats as AUPreset; each element here is a CFAUPreset, whose first two fields
// have AUPreset's layout. The array owns its elements through the callbacks in
// kCFAUPresetArrayCallBacks, so records live exactly as long as the host keeps
// the array.
#ifndef DFX_AU_UTILITIES_H_
#define DFX_AU_UTILITIES_H_

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include "../Log.h"  // CopyUTF8Prefix, the one text-cutting helper

// One preset record. presetNumber and presetName come first so that the record
// can be read as an AUPreset.
struct CFAUPreset
{
  SInt32 presetNumber;       // preset index
  CFStringRef presetName;    // the record's own copy of the name; may be null
  UInt32 version;            // kCFAUPreset_CurrentVersion
  CFAllocatorRef allocator;  // allocator that made the record and frees it
  signed long retainCount;   // 1 after creation; the record is freed when it reaches 0
};
typedef const CFAUPreset* CFAUPresetRef;

// Version stamped into every record.
enum { kCFAUPreset_CurrentVersion = 0 };

// Callbacks for a CFArray holding CFAUPreset records (retain, release, copy
// description, equal), ready for use at load time.
extern const CFArrayCallBacks kCFAUPresetArrayCallBacks;

// Fills *outCallBacks with the same callbacks as kCFAUPresetArrayCallBacks;
// a null pointer is ignored. [any thread]
void CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* outCallBacks);

// Allocates a record with retain count 1 holding number and a copy of name
// (null name stays null). Returns null when the allocator fails. [main thread]
CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber, CFStringRef presetName);

// Adds one reference to the record and to its name; null stays null.
// Returns the record. [main thread]
CFAUPresetRef CFAUPresetRetain(CFAUPresetRef preset);

// Drops one reference from the record and its name; the last one frees the
// record with its allocator. Null, or a record whose count is already 0, is
// ignored. [main thread]
void CFAUPresetRelease(CFAUPresetRef preset);

// Array retain callback: CFAUPresetRetain. [main thread]
const void* CFAUPresetArrayRetainCallBack(CFAllocatorRef allocator, const void* value);

// Array release callback: CFAUPresetRelease. [main thread]
void CFAUPresetArrayReleaseCallBack(CFAllocatorRef allocator, const void* value);

// Array description callback: a new three-line string
// "AUPreset:\npreset number = <n>\npreset name = <name>", owned by the caller;
// null for a null record. [main thread]
CFStringRef CFAUPresetArrayCopyDescriptionCallBack(const void* value);

// Array equality callback: same number and names equal by CFStringCompare
// (two null names are equal, one null name is not). [main thread]
Boolean CFAUPresetArrayEqualCallBack(const void* value1, const void* value2);

// A new string (owned by the caller) holding UTF-8 text; null text gives "".
// Text that is not valid UTF-8 (a name read from an old preset list or file)
// still gives a string: without any multi-byte UTF-8 character it is read as
// ISO Latin-1; otherwise its UTF-8 characters are kept and each stray byte
// becomes U+FFFD.
// Null only when memory runs out. [any thread]
CFStringRef NewCFStringFromUTF8(const char* text);

// Copies the UTF-8 form of str into out (outSize bytes), keeping the whole
// characters that fit, and terminates it; reads no more of str than fits.
// A null string gives "". Nothing is written when outSize < 1. [main thread]
void CopyCFStringPrefix(CFStringRef str, char* out, int outSize);

#endif
