// Editor interface as seen by the plug-in base: the plug-in pushes parameter
// values into its editor and lets it prepare its drawing surfaces. The editor
// framework derives the full editor from this class.
#ifndef IPLUG_IGRAPHICS_H_
#define IPLUG_IGRAPHICS_H_

#include "wdlstring.h"

// What a file dialog is for.
enum EFileAction
{
  kFileOpen = 0,
  kFileSave = 1
};

class IGraphics
{
public:
  IGraphics() {}
  // Deleted by the plug-in that owns it. [main thread]
  virtual ~IGraphics() {}

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Gives every control linked to paramIdx the value (normalised 0..1 when
  // normalized is set, else in real units). Only stores values and marks
  // controls dirty. [main thread; also called with the plug-in's lock held]
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;
  // Creates the drawing surfaces; called once the plug-in attaches the
  // editor. [main thread]
  virtual void PrepDraw() = 0;
  // Closes the editor's window if one is open. [main thread]
  virtual void CloseWindow() {}
  // Asks the user for a file to open or save. pFilename holds the default
  // name on entry and the chosen full path on return, or "" when the user
  // cancelled; pDir holds the folder to start in and receives the chosen
  // folder. extensions lists the allowed extensions separated by spaces
  // ("fxp"). An editor that cannot show a dialog (no window) answers "".
  // [main thread]
  virtual void PromptForFile(WDL_String* pFilename, EFileAction /*action*/, WDL_String* /*pDir*/,
                             char* /*extensions*/)
  {
    if (pFilename) pFilename->Set("");
  }
};

#endif
