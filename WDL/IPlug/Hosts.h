// Host identification and packed version numbers.
//
// A packed version holds major << 16 | minor << 8 | bugfix; its decimal form
// is major * 10000 + minor * 100 + bugfix (1.2.2 is 0x00010202, or 10202).
#ifndef IPLUG_HOSTS_H_
#define IPLUG_HOSTS_H_

// Host applications the framework can tell apart; values are fixed.
enum EHost
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28
};

// Bytes a buffer for GetHostNameStr needs (longest name plus terminator).
const int kMaxHostNameLen = 19;
// Bytes a buffer for GetVersionStr needs ("v65535.255.255" plus terminator).
const int kMaxVersionStrLen = 16;

// Identifies a host from its application name: the first of a fixed list of
// lower-case substrings found in the name (at most its first 255 bytes,
// compared case-insensitively) decides; kHostUnknown when none is found or
// host is null. [any thread]
EHost LookUpHost(const char* host);

// Writes the host's display name ("Reaper", "Live", ...; "Unknown" for values
// without a name) into str, which holds kMaxHostNameLen bytes. [any thread]
void GetHostNameStr(EHost host, char* str);

// Splits a packed version: *pVer = version >> 16 (unsigned shift), *pMaj =
// bits 8..15, *pMin = bits 0..7. Null pointers are skipped. [any thread]
void GetVersionParts(int version, int* pVer, int* pMaj, int* pMin);

// Decimal form of a packed version (0x00010202 gives 10202). [any thread]
int GetDecimalVersion(int version);

// Writes "v<major>.<minor>.<bugfix>" into str, which holds kMaxVersionStrLen
// bytes. [any thread]
void GetVersionStr(int version, char* str);

#endif
