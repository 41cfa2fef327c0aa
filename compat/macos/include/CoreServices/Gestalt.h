/*
 * System information by selector.
 */
#ifndef COMPAT_GESTALT_H
#define COMPAT_GESTALT_H

#include <MacTypes.h>

COMPAT_EXTERN_C_BEGIN

enum {
  gestaltSystemVersion = 0x73797376,      /* 'sysv': binary-coded version, 0x1068 = 10.6.8 */
  gestaltSystemVersionMajor = 0x73797331, /* 'sys1' */
  gestaltSystemVersionMinor = 0x73797332, /* 'sys2' */
  gestaltSystemVersionBugFix = 0x73797333 /* 'sys3' */
};

enum {
  gestaltUnknownErr = -5550,
  gestaltUndefSelectorErr = -5551,
  gestaltDupSelectorErr = -5552,
  gestaltLocationErr = -5553
};

/* Answers a selector: the system version reported is 10.6.8 (0x1068;
   major 10, minor 6, bug-fix 8). gestaltUndefSelectorErr for other
   selectors, paramErr for a NULL response. [any thread] */
COMPAT_EXPORT OSErr Gestalt(OSType selector, SInt32* response);

COMPAT_EXTERN_C_END

#endif /* COMPAT_GESTALT_H */
