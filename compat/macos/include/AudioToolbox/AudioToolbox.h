/*
 * AudioToolbox subset: the parameter and event listener system.
 */
#ifndef COMPAT_AUDIOTOOLBOX_H
#define COMPAT_AUDIOTOOLBOX_H

#include <AudioUnit/AudioUnit.h>
#include <AudioToolbox/AudioUnitUtilities.h>

#endif /* COMPAT_AUDIOTOOLBOX_H */
