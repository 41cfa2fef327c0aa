// Image resources of a plug-in bundle, found the way every platform editor
// finds them. [main thread]
#ifndef IPLUG_IGRAPHICSBUNDLE_H_
#define IPLUG_IGRAPHICSBUNDLE_H_

class LICE_IBitmap;
class WDL_String;

// The PNG resource of the bundle with identifier bundleID for an image name
// such as "resources/img/Back.png": the name's last path component without
// its extension, type "png" (the name must end in ".png", any case), looked
// up among the bundle's resources, as a new bitmap owned by the caller that
// decodes the pixels on first use (LICE_OpenPNG). Null when the name is not a
// PNG name, the bundle or the resource is missing or the file has no PNG
// header.
LICE_IBitmap* LoadBundlePNG(const char* bundleID, const char* name);

// The folder of the bundle with identifier bundleID into path; false (path
// unchanged) when there is no such bundle.
bool GetBundlePath(const char* bundleID, WDL_String* path);

#endif
