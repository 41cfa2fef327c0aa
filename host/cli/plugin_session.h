// One plug-in instance driven only through the Audio Unit entry, as a host
// application drives it: open, properties, parameters, initialise, render,
// uninitialise, close. Every failure carries the status code and its name.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <string>
#include <vector>

#include "demo_signal.h"

namespace cinderpath_cli {

// What the host learns about one parameter through the properties.
struct ParamDesc {
  AudioUnitParameterID id = 0;
  std::string name;
  std::string unitName;           // custom unit label, may be empty
  AudioUnitParameterUnit unit = 0;
  float minValue = 0.0f;
  float maxValue = 0.0f;
  float defaultValue = 0.0f;
  UInt32 flags = 0;
  std::vector<std::string> valueStrings;  // texts of indexed/boolean values, from the minimum up
};

struct PresetDesc {
  SInt32 number = 0;
  std::string name;
};

// Text for an OSStatus: what it means in plain words, then its published
// name where known and the number in parentheses.
std::string StatusText(OSStatus status);

class PluginSession {
 public:
  PluginSession() = default;
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Loads the component bundle at componentPath and opens one instance. With
  // builtInEntry the instance runs that entry function, the plug-in's own
  // built into this program, registered under the bundle's effect component
  // (see OpenBuiltInComponent). [main thread]
  bool Open(const std::string& componentPath, std::string* error, ComponentRoutineProcPtr builtInEntry = nullptr);
  // The open instance, or null. [any thread]
  AudioUnit Unit() const { return mUnit; }
  // Uninitialises (if needed) and closes the instance. [main thread]
  void Close();

  // Identity from the component registry and the version selector.
  std::string ComponentName() const { return mName; }
  std::string ManufacturerName() const { return mManufacturer; }
  ComponentDescription Description() const { return mDescription; }
  double SampleRate() const { return mSampleRateHz; }
  UInt32 Version() const { return mVersion; }

  // Stream formats (32-bit float, non-interleaved), maximum frames and sample rate.
  bool Configure(int numChannels, double sampleRateHz, UInt32 maxFrames, std::string* error);
  bool SetOffline(bool offline, std::string* error);
  bool Initialize(std::string* error);

  bool ReadParameters(std::vector<ParamDesc>* params, std::string* error);
  bool GetParameter(AudioUnitParameterID id, float* value, std::string* error);
  bool SetParameter(AudioUnitParameterID id, float value, std::string* error);
  bool ValueText(AudioUnitParameterID id, float value, std::string* text, std::string* error);
  // Display text to value through ParameterValueFromString; false when the
  // plug-in does not recognise the text.
  bool ValueFromText(AudioUnitParameterID id, const std::string& text, float* value);

  bool ReadFactoryPresets(std::vector<PresetDesc>* presets, std::string* error);
  bool SelectPreset(SInt32 number, std::string* error);

  // The class-info dictionary: a new property list the caller releases.
  CFPropertyListRef CopyState(std::string* error);
  // The bytes of the plug-in's program (bank false) or bank file, through its
  // own file properties.
  bool CopyPluginFile(bool bank, std::string* bytes, std::string* error);
  // Loads a program or bank file's bytes; the plug-in's refusal is an error
  // naming what is wrong with the file.
  bool LoadPluginFile(bool bank, const std::string& bytes, std::string* error);
  bool RestoreState(CFPropertyListRef state, std::string* error);
  // The plug-in's status for restoring state, so a caller can explain a refusal.
  OSStatus RestoreStateStatus(CFPropertyListRef state);

  bool LatencySeconds(double* seconds, std::string* error);
  bool TailSeconds(double* seconds, std::string* error);
  bool ChannelConfigurations(std::vector<AUChannelInfo>* configs, std::string* error);

  // Renders frames of the input (from inputFrame on, zeros beyond its end) into
  // out (numChannels pointers to frames floats each). [render thread]
  bool Render(const AudioData& input, long inputFrame, UInt32 frames, float* const* out,
              std::string* error);

 private:
  bool ReadSeconds(AudioUnitPropertyID id, const char* what, double* seconds, std::string* error);
  static OSStatus InputCallback(void* refCon, AudioUnitRenderActionFlags* flags,
                                const AudioTimeStamp* timeStamp, UInt32 bus, UInt32 frames,
                                AudioBufferList* ioData);

  AudioUnit mUnit = nullptr;
  bool mInitialized = false;
  int mNumChannels = 0;
  double mSampleRateHz = 44100.0;
  double mSampleTime = 0.0;
  std::string mName;
  std::string mManufacturer;
  UInt32 mVersion = 0;
  // Render-callback source for the current block.
  const AudioData* mInput = nullptr;
  long mInputFrame = 0;
  ComponentDescription mDescription = {};
  // Output buffer list handed to the unit: a list header followed by room for
  // mNumChannels buffers, allocated once in Configure.
  std::vector<unsigned char> mOutputListStorage;
};

}  // namespace cinderpath_cli
