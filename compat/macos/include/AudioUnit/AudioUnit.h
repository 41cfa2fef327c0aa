/*
 * The Audio Unit interface: components, properties, parameters, instruments
 * and the Carbon view component.
 */
#ifndef COMPAT_AUDIOUNIT_H
#define COMPAT_AUDIOUNIT_H

#include <CoreServices/CoreServices.h>
#include <AudioUnit/AUComponent.h>
#include <AudioUnit/AudioUnitProperties.h>
#include <AudioUnit/AudioUnitParameters.h>
#include <AudioUnit/MusicDevice.h>
#include <AudioUnit/AudioUnitCarbonView.h>

#endif /* COMPAT_AUDIOUNIT_H */
