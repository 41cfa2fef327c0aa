/*
 * The CoreFoundation subset: reference-counted strings, numbers, booleans,
 * data, arrays, dictionaries, URLs, bundles, property lists and errors.
 */
#ifndef COMPAT_COREFOUNDATION_H
#define COMPAT_COREFOUNDATION_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>
#include <CoreFoundation/CFError.h>
#include <CoreFoundation/CFPropertyList.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFRunLoop.h>
#include <CoreFoundation/CFUserNotification.h>

#endif /* COMPAT_COREFOUNDATION_H */
