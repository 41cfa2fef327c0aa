// Properties of this plug-in's own (outside the published Audio Unit set)
// through which its companion tools read and load program and bank files.
// Global scope, element 0; the value is a CFDataRef holding the whole file.
// Reading gives a new CFDataRef the caller releases; setting loads the file,
// and a file the plug-in refuses gives kAudioUnitErr_InvalidPropertyValue
// with nothing changed. [main thread]
#ifndef IPLUG_AU_FILE_PROPERTIES_H_
#define IPLUG_AU_FILE_PROPERTIES_H_

enum EIPlugAUFileProperty
{
  kIPlugAUProperty_ProgramFile = 64000,  // program file (.fxp) of the current program
  kIPlugAUProperty_BankFile = 64001      // bank file (.fxb) of every preset slot
};

// Largest program or bank file the plug-in loads, in bytes; larger data is
// refused unread. A host reading such a file from disk refuses larger files
// before reading them.
constexpr long kIPlugAUMaxFileBytes = 64L * 1024 * 1024;

#endif
