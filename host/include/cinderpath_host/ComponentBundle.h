// Host side of the component boundary: finds a component bundle on disk,
// loads its executable, registers the components its manifest lists with the
// Component Manager, and opens instances of them. After this a host talks to
// a plug-in only through the Audio Unit C calls (AudioUnitGetProperty,
// AudioUnitRender, ...), which reach the plug-in's entry function.
//
// Bundle layout
//   Name.component/Contents/Info.plist       the manifest (below)
//   Name.component/Contents/Linux/<exe>.so   the executable, <exe> = CFBundleExecutable
//   Name.component/Contents/Resources/       resources (images), found through CFBundle
//
// Manifest: an XML property list (the subset described in
// <CoreFoundation/CFPropertyList.h>) whose top-level dictionary holds
//   CFBundleIdentifier  string, required: reverse-DNS identifier; the bundle is
//                       found under it with CFBundleGetBundleWithIdentifier
//   CFBundleExecutable  string, required: file name of the executable without
//                       ".so"; no "/" allowed
//   CFBundleName        string, optional
//   CFBundleVersion     string, optional
//   AudioComponents     array, required, at least one dictionary:
//     type          string of exactly four printable ASCII characters ("aufx")
//     subtype       string, four characters ("Cdpm")
//     manufacturer  string, four characters ("Mrwf")
//     entryPoint    string, required: exported C symbol of the component's
//                   entry function, ComponentResult(ComponentParameters*, void*)
//     name          string, optional: display name ("Maker: Product")
//     version       integer, optional: packed version (major << 16 | minor << 8 | patch)
// Other keys are ignored. Example:
//   <?xml version="1.0" encoding="UTF-8"?>
//   <plist version="1.0">
//   <dict>
//     <key>CFBundleIdentifier</key><string>com.example.audiounit.Demo</string>
//     <key>CFBundleExecutable</key><string>Demo</string>
//     <key>AudioComponents</key>
//     <array>
//       <dict>
//         <key>type</key><string>aufx</string>
//         <key>subtype</key><string>Demo</string>
//         <key>manufacturer</key><string>Exmp</string>
//         <key>name</key><string>Example: Demo</string>
//         <key>version</key><integer>65536</integer>
//         <key>entryPoint</key><string>Demo_Entry</string>
//       </dict>
//       <dict>
//         <key>type</key><string>auvw</string>
//         <key>subtype</key><string>Demo</string>
//         <key>manufacturer</key><string>Exmp</string>
//         <key>entryPoint</key><string>Demo_ViewEntry</string>
//       </dict>
//     </array>
//   </dict>
//   </plist>
//
// A loaded bundle stays loaded and registered until the process exits, as
// a system's component registry keeps it: plug-in code may keep
// process-wide caches that outlive every instance.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <memory>
#include <string>
#include <vector>

namespace cinderpath_host {

// Why a bundle did not load.
enum class LoadStatus {
  kOk,
  kNotABundle,          // the path is not a folder
  kManifestMissing,     // no Contents/Info.plist
  kManifestCorrupt,     // the manifest is not a readable property list
  kManifestIncomplete,  // a required key is missing or malformed
  kExecutableMissing,   // Contents/Linux/<exe>.so does not exist
  kExecutableUnloadable,// the dynamic loader refused the executable
  kEntryMissing,        // an entryPoint symbol is not exported
  kIdentifierInUse,     // another loaded bundle has the same identifier
  kRegistrationFailed   // the Component Manager refused a component
};

// Short name of a status, e.g. "manifest corrupt". [any thread]
const char* LoadStatusName(LoadStatus status);

// One component a loaded bundle provides.
struct BundleComponent {
  ComponentDescription description{};  // type, subtype, manufacturer; flags 0
  std::string name;                     // display name, may be empty
  std::string entryName;                // exported symbol of the entry function
  UInt32 version = 0;                   // packed version from the manifest, 0 if absent
  Component component = nullptr;        // the registered component
};

// A bundle whose executable is loaded and whose components are registered.
// Owned by the process-wide loader; never freed before exit.
class LoadedBundle {
 public:
  LoadedBundle(const LoadedBundle&) = delete;
  LoadedBundle& operator=(const LoadedBundle&) = delete;

  // Absolute path of the bundle folder, without a trailing "/". [any thread]
  const std::string& Path() const { return mPath; }
  // CFBundleIdentifier from the manifest. [any thread]
  const std::string& Identifier() const { return mIdentifier; }
  // Absolute path of the loaded executable. [any thread]
  const std::string& ExecutablePath() const { return mExecutablePath; }
  // The bundle object (Get rule); CFBundleGetBundleWithIdentifier finds it too. [any thread]
  CFBundleRef Bundle() const { return mBundle; }
  // Components in manifest order. [any thread]
  const std::vector<BundleComponent>& Components() const { return mComponents; }
  // First component matching the codes (0 matches anything), or null. [any thread]
  const BundleComponent* Find(OSType type, OSType subType = 0, OSType manufacturer = 0) const;

 private:
  friend class BundleLoader;
  LoadedBundle() = default;
  std::string mPath;
  std::string mIdentifier;
  std::string mExecutablePath;
  CFBundleRef mBundle = nullptr;
  void* mLibrary = nullptr;  // dynamic-loader handle, kept until exit
  std::vector<BundleComponent> mComponents;
};

// Loads the bundle folder at bundlePath (relative paths are taken from the
// current directory). Loading a folder already loaded returns the same
// object. On failure returns null, changes nothing (no component stays
// registered, no bundle object stays alive), sets *status and writes a
// message naming the file and the fault to *error (either pointer may be
// null). [main thread]
const LoadedBundle* LoadComponentBundle(const std::string& bundlePath, std::string* error,
                                        LoadStatus* status = nullptr);

// Paths of the "*.component" folders directly inside folder, sorted by name;
// empty when the folder cannot be read. [main thread]
std::vector<std::string> FindComponentBundles(const std::string& folder);

// Four-character code as text ('aufx' -> "aufx"); bytes outside printable
// ASCII are written as "\xHH". [any thread]
std::string FourCharCodeToString(OSType code);
// Text of exactly four printable ASCII characters as a code; false otherwise. [any thread]
bool StringToFourCharCode(const std::string& text, OSType* code);

// An open component instance, closed when the object goes away. Movable,
// not copyable.
class UnitHandle {
 public:
  UnitHandle() = default;
  ~UnitHandle();
  UnitHandle(UnitHandle&& other) noexcept;
  UnitHandle& operator=(UnitHandle&& other) noexcept;
  UnitHandle(const UnitHandle&) = delete;
  UnitHandle& operator=(const UnitHandle&) = delete;

  // Opens an instance of the component (closing any instance held before);
  // returns OpenAComponent's status. [main thread]
  OSStatus Open(Component component);
  // Closes the instance now; returns CloseComponent's status, noErr when
  // nothing is open. [main thread]
  OSStatus Close();
  // The open unit, or null. [any thread]
  AudioUnit Get() const { return mUnit; }
  explicit operator bool() const { return mUnit != nullptr; }

 private:
  AudioUnit mUnit = nullptr;
};

}  // namespace cinderpath_host
