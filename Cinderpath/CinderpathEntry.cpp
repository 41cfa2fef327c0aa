// The component bundle's exported entries and MakePlug for Cinderpath.
// CINDERPATH_BUNDLE_ID comes from the build, which writes the same identifier
// into the bundle's Info.plist.

#include "Cinderpath.h"

#ifndef CINDERPATH_BUNDLE_ID
#error "The build defines CINDERPATH_BUNDLE_ID."
#endif

#define PLUG_CLASS_NAME Cinderpath
#define PLUG_BUNDLE_ID CINDERPATH_BUNDLE_ID
#define PLUG_VIEW_CLASS "Cinderpath_View"
#define PLUG_ENTRY Cinderpath_Entry
#define PLUG_VIEW_ENTRY Cinderpath_ViewEntry

#include "IPlug_include_in_plug_src.h"

// A host that loads the bundle can ask for the editor's view: instances
// show their editor on screen.
namespace
{
const bool s_editorOnScreen = (Cinderpath::SetEditorOnScreen(true), true);
}  // namespace
