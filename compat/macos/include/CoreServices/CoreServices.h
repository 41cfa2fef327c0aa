/*
 * CoreServices subset: the Component Manager and Gestalt.
 */
#ifndef COMPAT_CORESERVICES_H
#define COMPAT_CORESERVICES_H

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>
#include <CoreServices/Gestalt.h>

#endif /* COMPAT_CORESERVICES_H */
