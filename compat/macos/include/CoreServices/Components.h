/*
 * The Component Manager: a process-wide registry of components (each a
 * description plus one entry function) and of their open instances.
 *
 * Calling convention of an entry function
 *   ComponentResult entry(ComponentParameters* params, void* storage)
 * params->what is the selector; storage is the pointer last given to
 * SetComponentInstanceStorage for the instance (NULL until then).
 * params->params[] holds one long-sized slot per value (the 64-bit layout):
 *   params[0]       the ComponentInstance being called
 *   params[1 + i]   the i-th argument of the C call after the instance, in
 *                   the order of the call's declaration
 * Each value is stored at the start of its slot with its own type and the
 * rest of the slot is zero, so read argument i as
 *   *(T*)&params->params[1 + i]
 * with T its declared type (a Float32 or an SInt16 must be read as such).
 * params->paramSize is the byte size of the argument slots (8 per argument,
 * the instance not counted); params->flags is 0.
 *
 * kComponentOpenSelect passes the new instance in params[0] with storage
 * NULL; the entry registers its storage with SetComponentInstanceStorage. A
 * non-zero result fails the open and the instance is discarded without a
 * close call. kComponentCloseSelect is the last call an instance receives;
 * the instance is discarded after it whatever it returns.
 * kComponentCanDoSelect passes the asked selector as an SInt16 argument.
 *
 * All functions may be called from any thread. The registry is locked only
 * while it is read or changed, never while an entry function runs, so an
 * entry may call back into the Component Manager. Closing an instance while
 * another thread is calling it is the caller's fault, as on the original
 * platform.
 */
#ifndef COMPAT_COMPONENTS_H
#define COMPAT_COMPONENTS_H

#include <MacTypes.h>

COMPAT_EXTERN_C_BEGIN

typedef struct ComponentRecord* Component;
typedef struct ComponentInstanceRecord* ComponentInstance;
typedef SInt32 ComponentResult;

/* What a component is: zero fields in a search description match anything. */
typedef struct ComponentDescription {
  OSType componentType;         /* four-character type, e.g. 'aufx' */
  OSType componentSubType;      /* four-character subtype */
  OSType componentManufacturer; /* four-character manufacturer code */
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
} ComponentDescription;

/* Parameter block handed to an entry function (see the header comment). */
typedef struct ComponentParameters {
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
  UInt32 padding;
  long params[kSmallestArray];
} ComponentParameters;

/* Entry function of a component. The storage argument is a void* here
   (the entry functions exported by plug-ins are declared that way). */
typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp, void* componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

/* Selectors every component answers. */
enum {
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7,
  kComponentGetMPWorkFunctionSelect = -8,
  kComponentExecuteWiredActionSelect = -9,
  kComponentGetPublicResourceSelect = -10
};

/* Component Manager status codes. */
enum {
  invalidComponentID = -3000,
  validInstancesExist = -3001,
  componentNotCaptured = -3002,
  componentDontRegister = -3003,
  unresolvedComponentDLLErr = -3004,
  retryComponentRegistrationErr = -3005
};
enum {
  badComponentInstance = (int)0x80008001,
  badComponentSelector = (int)0x80008002
};

enum { kAnyComponentType = 0, kAnyComponentSubType = 0, kAnyComponentManufacturer = 0,
       kAnyComponentFlagsMask = 0 };

/* Registers a component with its entry function. componentName, if non-NULL,
   is a handle to a Pascal string (length byte first) naming it; info and icon
   are ignored; global is ignored. Returns the component, or NULL for a NULL
   description or entry. [any thread] */
COMPAT_EXPORT Component RegisterComponent(ComponentDescription* cd,
                                          ComponentRoutineUPP componentEntryPoint, SInt16 global,
                                          Handle componentName, Handle componentInfo,
                                          Handle componentIcon);
/* Removes a component: validInstancesExist while instances are open,
   invalidComponentID for an unknown component, else noErr. [any thread] */
COMPAT_EXPORT OSErr UnregisterComponent(Component aComponent);
/* The next registered component after aComponent (NULL: from the start)
   that matches looking (NULL: any), in registration order; NULL at the end. [any thread] */
COMPAT_EXPORT Component FindNextComponent(Component aComponent, ComponentDescription* looking);
/* Number of registered components matching looking (NULL: all). [any thread] */
COMPAT_EXPORT long CountComponents(ComponentDescription* looking);
/* Writes the description of a component (or of the component of an instance
   passed as a Component) to *cd. Name, info and icon handles are never
   written. invalidComponentID for anything else. [any thread] */
COMPAT_EXPORT OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd,
                                     Handle componentName, Handle componentInfo,
                                     Handle componentIcon);

/* Opens an instance: calls the entry with kComponentOpenSelect and returns
   its result; on noErr *ci is the new instance, else NULL. invalidComponentID
   for an unknown component, paramErr for a NULL ci. [any thread] */
COMPAT_EXPORT OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
/* As OpenAComponent, returning the instance or NULL. [any thread] */
COMPAT_EXPORT ComponentInstance OpenComponent(Component aComponent);
/* Calls the entry with kComponentCloseSelect, then discards the instance;
   returns the entry's result, or invalidComponentID for an unknown instance
   or one already being closed. [any thread] */
COMPAT_EXPORT OSErr CloseComponent(ComponentInstance aComponentInstance);

/* Sets the pointer passed as storage on every later call of the instance. [any thread] */
COMPAT_EXPORT void SetComponentInstanceStorage(ComponentInstance aComponentInstance,
                                               Handle theStorage);
/* The instance's storage, or NULL for an unknown instance. [any thread] */
COMPAT_EXPORT Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
/* Number of open instances of a component (0 for an unknown one). [any thread] */
COMPAT_EXPORT long CountComponentInstances(Component aComponent);
/* The component an instance was opened from, or NULL. [any thread] */
COMPAT_EXPORT Component GetComponentIDFromComponentInstance(ComponentInstance componentInstance);

/* Calls the entry of the instance named by params->params[0] with the block
   as given; badComponentInstance for an unknown instance. [any thread] */
COMPAT_EXPORT ComponentResult CallComponentDispatch(ComponentParameters* cp);
/* kComponentCanDoSelect: 1 when the instance handles ftnNumber, else 0. [any thread] */
COMPAT_EXPORT ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber);
/* kComponentVersionSelect: the component's version. [any thread] */
COMPAT_EXPORT ComponentResult CallComponentVersion(ComponentInstance ci);

COMPAT_EXTERN_C_END

#endif /* COMPAT_COMPONENTS_H */
