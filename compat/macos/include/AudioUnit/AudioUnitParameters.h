/*
 * Parameter identifiers of the platform's own units that a host may address.
 * This system's plug-in numbers its parameters itself (0 ... count - 1).
 */
#ifndef COMPAT_AUDIOUNITPARAMETERS_H
#define COMPAT_AUDIOUNITPARAMETERS_H

#include <AudioUnit/AUComponent.h>

enum {
  kHALOutputParam_Volume = 14,
  kMultiChannelMixerParam_Volume = 0,
  kMultiChannelMixerParam_Enable = 1,
  kMultiChannelMixerParam_Pan = 2
};

#endif /* COMPAT_AUDIOUNITPARAMETERS_H */
