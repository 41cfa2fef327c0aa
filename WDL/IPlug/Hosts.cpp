#include "Hosts.h"

#include <cstdio>
#include <cstring>

#include "Log.h"

EHost LookUpHost(const char* host)
{
  if (!host) return kHostUnknown;

  // Names longer than the buffer are identified by their first 255 bytes.
  char name[256];
  CopyToField(name, host);
  ToLower(name, name);

  static const struct
  {
    const char* substring;
    EHost host;
  } kTable[] = {
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFL},
    {"live", kHostAbletonLive},
    {"melodyne", kHostMelodyneStudio},
    {"vstmanlib", kHostVSTScanner},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"standalone", kHostStandalone},
  };
  for (const auto& entry : kTable)
    if (strstr(name, entry.substring)) return entry.host;
  return kHostUnknown;
}

void GetHostNameStr(EHost host, char* str)
{
  if (!str) return;
  const char* name = "Unknown";
  switch (host)
  {
    case kHostReaper: name = "Reaper"; break;
    case kHostProTools: name = "ProTools"; break;
    case kHostCubase: name = "Cubase"; break;
    case kHostNuendo: name = "Nuendo"; break;
    case kHostSonar: name = "Sonar"; break;
    case kHostVegas: name = "Vegas"; break;
    case kHostFL: name = "FLStudio"; break;
    case kHostSamplitude: name = "Samplitude"; break;
    case kHostAbletonLive: name = "Live"; break;
    case kHostVSTScanner: name = "VSTScanner"; break;
    case kHostAULab: name = "AULab"; break;
    case kHostForte: name = "Forte"; break;
    case kHostChainer: name = "Chainer"; break;
    case kHostAudition: name = "Audition"; break;
    case kHostOrion: name = "Orion"; break;
    case kHostSAWStudio: name = "SAWStudio"; break;
    case kHostLogic: name = "Logic"; break;
    case kHostGarageBand: name = "GarageBand"; break;
    case kHostDigitalPerformer: name = "DigitalPerformer"; break;
    case kHostStandalone: name = "Standalone"; break;
    case kHostAudioMulch: name = "AudioMulch"; break;
    case kHostStudioOne: name = "StudioOne"; break;
    case kHostVST3TestHost: name = "VST3PluginTestHost"; break;
    case kHostArdour: name = "Ardour"; break;
    default: break;  // uninitialised, unknown, Melodyne and unassigned values
  }
  snprintf(str, (size_t)kMaxHostNameLen, "%s", name);
}

void GetVersionParts(int version, int* pVer, int* pMaj, int* pMin)
{
  if (pVer) *pVer = (int)((unsigned int)version >> 16);
  if (pMaj) *pMaj = (version >> 8) & 0xFF;
  if (pMin) *pMin = version & 0xFF;
}

int GetDecimalVersion(int version)
{
  int ver, rmaj, rmin;
  GetVersionParts(version, &ver, &rmaj, &rmin);
  return 10000 * ver + 100 * rmaj + rmin;
}

void GetVersionStr(int version, char* str)
{
  if (!str) return;
  int ver, rmaj, rmin;
  GetVersionParts(version, &ver, &rmaj, &rmin);
  snprintf(str, (size_t)kMaxVersionStrLen, "v%d.%d.%d", ver, rmaj, rmin);
}
