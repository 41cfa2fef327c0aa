/*
 * Modal alerts. There is no window server here: the alert is written to
 * standard error and answered at once with the default button.
 */
#ifndef COMPAT_CFUSERNOTIFICATION_H
#define COMPAT_CFUSERNOTIFICATION_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

typedef double CFTimeInterval;

enum {
  kCFUserNotificationStopAlertLevel = 0,
  kCFUserNotificationNoteAlertLevel = 1,
  kCFUserNotificationCautionAlertLevel = 2,
  kCFUserNotificationPlainAlertLevel = 3
};

enum {
  kCFUserNotificationDefaultResponse = 0,
  kCFUserNotificationAlternateResponse = 1,
  kCFUserNotificationOtherResponse = 2,
  kCFUserNotificationCancelResponse = 3
};

/* Shows an alert (here: prints header and message to standard error) and
   writes kCFUserNotificationDefaultResponse to *responseFlags. Returns 0. [main thread] */
COMPAT_EXPORT SInt32 CFUserNotificationDisplayAlert(
    CFTimeInterval timeout, CFOptionFlags flags, CFURLRef iconURL, CFURLRef soundURL,
    CFURLRef localizationURL, CFStringRef alertHeader, CFStringRef alertMessage,
    CFStringRef defaultButtonTitle, CFStringRef alternateButtonTitle,
    CFStringRef otherButtonTitle, CFOptionFlags* responseFlags);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFUSERNOTIFICATION_H */
