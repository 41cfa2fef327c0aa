/* Audio data types (no hardware access in this subset). */
#ifndef COMPAT_COREAUDIO_H
#define COMPAT_COREAUDIO_H
#include <CoreAudio/CoreAudioTypes.h>
#endif
