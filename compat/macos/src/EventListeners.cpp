// Parameter and event listeners, delivered synchronously on the posting
// thread. A post copies the matching registrations, then calls them one by
// one without holding the lock, checking before each call that the
// registration still exists; listener records are shared, so a listener
// disposed during a post stays valid memory until the post is done.
#include <AudioToolbox/AudioUnitUtilities.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

struct AUListenerBase {
  AUEventListenerProc eventProc = nullptr;
  AUParameterListenerProc parameterProc = nullptr;
  void* userData = nullptr;
};

namespace {

struct Registration {
  uint64_t serial;
  std::shared_ptr<AUListenerBase> listener;
  void* object;
  AudioUnitEvent event;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<AUListenerBase*, std::shared_ptr<AUListenerBase>> listeners;
  std::vector<Registration> registrations;  // registration order
  uint64_t nextSerial = 1;
  // Property-change registrations per (unit, property): while above zero the
  // unit has PropertyBridge installed as one of its property listeners.
  std::map<std::pair<AudioUnit, AudioUnitPropertyID>, int> bridged;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

bool IsParameterEvent(AudioUnitEventType type) {
  return type == kAudioUnitEvent_ParameterValueChange ||
         type == kAudioUnitEvent_BeginParameterChangeGesture ||
         type == kAudioUnitEvent_EndParameterChangeGesture;
}

// Same event kind and same parameter or property: the identity of a registration.
bool SameTarget(const AudioUnitEvent& a, const AudioUnitEvent& b) {
  if (a.mEventType != b.mEventType) return false;
  if (IsParameterEvent(a.mEventType)) {
    const AudioUnitParameter& x = a.mArgument.mParameter;
    const AudioUnitParameter& y = b.mArgument.mParameter;
    return x.mAudioUnit == y.mAudioUnit && x.mParameterID == y.mParameterID &&
           x.mScope == y.mScope && x.mElement == y.mElement;
  }
  const AudioUnitProperty& x = a.mArgument.mProperty;
  const AudioUnitProperty& y = b.mArgument.mProperty;
  return x.mAudioUnit == y.mAudioUnit && x.mPropertyID == y.mPropertyID && x.mScope == y.mScope &&
         x.mElement == y.mElement;
}

// Does a posted event reach a registration? The parameter wildcard works
// on either side: registered, it hears every parameter of the unit; posted,
// it reaches every parameter registration of the unit.
bool Reaches(const AudioUnitEvent& posted, const AudioUnitEvent& registered) {
  if (posted.mEventType != registered.mEventType) return false;
  if (!IsParameterEvent(posted.mEventType)) return SameTarget(posted, registered);
  const AudioUnitParameter& p = posted.mArgument.mParameter;
  const AudioUnitParameter& r = registered.mArgument.mParameter;
  if (p.mAudioUnit != r.mAudioUnit) return false;
  if (p.mParameterID == kAUParameterListener_AnyParameter ||
      r.mParameterID == kAUParameterListener_AnyParameter)
    return true;
  return p.mParameterID == r.mParameterID && p.mScope == r.mScope && p.mElement == r.mElement;
}

// Installed on a unit for each property some listener registered for: the
// unit's own property notifications become property-change events.
void PropertyBridge(void*, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                    AudioUnitElement element) {
  AudioUnitEvent event = {};
  event.mEventType = kAudioUnitEvent_PropertyChange;
  event.mArgument.mProperty = {unit, id, scope, element};
  AUEventListenerNotify(nullptr, nullptr, &event);
}

// Counts a property registration coming (+1) or going (-1); installs or
// removes the bridge on the unit when the count leaves or reaches zero.
// Called without the registry lock: the unit's entry runs here.
void CountBridge(const AudioUnitEvent& event, int delta) {
  if (event.mEventType != kAudioUnitEvent_PropertyChange) return;
  const AudioUnitProperty& p = event.mArgument.mProperty;
  Registry& r = TheRegistry();
  bool install = false, remove = false;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    int& count = r.bridged[{p.mAudioUnit, p.mPropertyID}];
    install = count == 0 && delta > 0;
    count += delta;
    remove = count == 0;
    if (remove) r.bridged.erase({p.mAudioUnit, p.mPropertyID});
  }
  if (install) AudioUnitAddPropertyListener(p.mAudioUnit, p.mPropertyID, PropertyBridge, nullptr);
  if (remove)
    AudioUnitRemovePropertyListenerWithUserData(p.mAudioUnit, p.mPropertyID, PropertyBridge,
                                                nullptr);
}

OSStatus Create(AUEventListenerProc eventProc, AUParameterListenerProc parameterProc,
                void* userData, AUEventListenerRef* outListener) {
  if ((!eventProc && !parameterProc) || !outListener) return paramErr;
  auto listener = std::make_shared<AUListenerBase>();
  listener->eventProc = eventProc;
  listener->parameterProc = parameterProc;
  listener->userData = userData;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.listeners[listener.get()] = listener;
  *outListener = listener.get();
  return noErr;
}

OSStatus Add(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent& event) {
  Registry& r = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.listeners.find(inListener);
    if (it == r.listeners.end()) return paramErr;
    for (const Registration& reg : r.registrations)
      if (reg.listener.get() == inListener && reg.object == inObject &&
          SameTarget(reg.event, event))
        return noErr;
    r.registrations.push_back(Registration{r.nextSerial++, it->second, inObject, event});
  }
  CountBridge(event, +1);
  return noErr;
}

OSStatus Remove(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent& event) {
  Registry& r = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.registrations.begin();
    while (it != r.registrations.end() &&
           !(it->listener.get() == inListener && it->object == inObject &&
             SameTarget(it->event, event)))
      ++it;
    if (it == r.registrations.end()) return paramErr;
    r.registrations.erase(it);
  }
  CountBridge(event, -1);
  return noErr;
}

AudioUnitEvent ValueChangeEvent(const AudioUnitParameter& parameter) {
  AudioUnitEvent event = {};
  event.mEventType = kAudioUnitEvent_ParameterValueChange;
  event.mArgument.mParameter = parameter;
  return event;
}

}  // namespace

extern "C" {

OSStatus AUListenerCreate(AUParameterListenerProc inProc, void* inUserData, CFRunLoopRef,
                          CFStringRef, Float32, AUParameterListenerRef* outListener) {
  if (!inProc) return paramErr;
  return Create(nullptr, inProc, inUserData, outListener);
}

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inUserData, CFRunLoopRef,
                               CFStringRef, Float32, Float32, AUEventListenerRef* outListener) {
  if (!inProc) return paramErr;
  return Create(inProc, nullptr, inUserData, outListener);
}

OSStatus AUListenerDispose(AUParameterListenerRef inListener) {
  std::shared_ptr<AUListenerBase> keep;  // freed after the lock is released
  std::vector<Registration> removed;
  Registry& r = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.listeners.find(inListener);
    if (it == r.listeners.end()) return paramErr;
    keep = it->second;
    r.listeners.erase(it);
    for (auto reg = r.registrations.begin(); reg != r.registrations.end();) {
      if (reg->listener.get() == inListener) {
        removed.push_back(std::move(*reg));
        reg = r.registrations.erase(reg);
      } else {
        ++reg;
      }
    }
  }
  for (const Registration& reg : removed) CountBridge(reg.event, -1);
  return noErr;
}

OSStatus AUListenerAddParameter(AUParameterListenerRef inListener, void* inObject,
                                const AudioUnitParameter* inParameter) {
  if (!inParameter) return paramErr;
  return Add(inListener, inObject, ValueChangeEvent(*inParameter));
}

OSStatus AUListenerRemoveParameter(AUParameterListenerRef inListener, void* inObject,
                                   const AudioUnitParameter* inParameter) {
  if (!inParameter) return paramErr;
  return Remove(inListener, inObject, ValueChangeEvent(*inParameter));
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                     const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  return Add(inListener, inObject, *inEvent);
}

OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject,
                                        const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  return Remove(inListener, inObject, *inEvent);
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  const AudioUnitEvent posted = *inEvent;
  Registry& r = TheRegistry();
  std::vector<Registration> targets;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const Registration& reg : r.registrations) {
      bool isSender = inSendingListener && reg.listener.get() == inSendingListener &&
                      (!inSendingObject || reg.object == inSendingObject);
      if (!isSender && Reaches(posted, reg.event)) targets.push_back(reg);
    }
  }
  for (const Registration& reg : targets) {
    {
      // Skip registrations removed (or listeners disposed) by an earlier callback.
      std::lock_guard<std::mutex> lock(r.mutex);
      bool present = false;
      for (const Registration& live : r.registrations)
        if (live.serial == reg.serial) present = true;
      if (!present) continue;
    }
    // A posted wildcard names no parameter: report the registration's own.
    AudioUnitEvent delivered = posted;
    if (IsParameterEvent(posted.mEventType) &&
        posted.mArgument.mParameter.mParameterID == kAUParameterListener_AnyParameter &&
        reg.event.mArgument.mParameter.mParameterID != kAUParameterListener_AnyParameter)
      delivered.mArgument.mParameter = reg.event.mArgument.mParameter;
    AudioUnitParameterValue value = 0;
    if (posted.mEventType == kAudioUnitEvent_ParameterValueChange) {
      const AudioUnitParameter& p = delivered.mArgument.mParameter;
      if (AudioUnitGetParameter(p.mAudioUnit, p.mParameterID, p.mScope, p.mElement, &value) != noErr)
        value = 0;
    }
    AUListenerBase* listener = reg.listener.get();
    if (listener->eventProc) {
      listener->eventProc(listener->userData, reg.object, &delivered, 0, value);
    } else if (listener->parameterProc) {
      listener->parameterProc(listener->userData, reg.object, &delivered.mArgument.mParameter,
                              value);
    }
  }
  return noErr;
}

OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                   const AudioUnitParameter* inParameter) {
  if (!inParameter) return paramErr;
  AudioUnitEvent event = ValueChangeEvent(*inParameter);
  return AUEventListenerNotify(inSendingListener, inSendingObject, &event);
}

OSStatus AUParameterSet(AUParameterListenerRef inSendingListener, void* inSendingObject,
                        const AudioUnitParameter* inParameter, AudioUnitParameterValue inValue,
                        UInt32 inBufferOffsetInFrames) {
  if (!inParameter) return paramErr;
  OSStatus status = AudioUnitSetParameter(inParameter->mAudioUnit, inParameter->mParameterID,
                                          inParameter->mScope, inParameter->mElement, inValue,
                                          inBufferOffsetInFrames);
  if (status != noErr) return status;
  return AUParameterListenerNotify(inSendingListener, inSendingObject, inParameter);
}

}  // extern "C"
