// Image and font resources of a plug-in bundle, found the way every platform
// editor finds them. [main thread]
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
// header. The first image asked of a bundle also loads the bundle's editor
// font (LoadBundleEditorFont), so that an editor draws its text with it.
// Every request is recorded for CheckBundleImages.
LICE_IBitmap* LoadBundlePNG(const char* bundleID, const char* name);

// Checks every image asked of the bundle with identifier bundleID so far in
// this process: each must have been found and must decode in full (the
// bitmaps LoadBundlePNG hands out decode only when first drawn, and draw
// transparent where that fails). False with a message naming the first bad
// file in error (which may be null). Decodes each file once more.
bool CheckBundleImages(const char* bundleID, WDL_String* error);

// The file of the editors' text: a freely licensed fixed-pitch face shipped
// in a bundle's resources, its licence beside it.
extern const char kEditorFontFile[];  // "DejaVuSansMono.ttf"
extern const char kEditorFontLicenceFile[];  // "DejaVuSansMono-LICENSE.txt"

// Makes folder/kEditorFontFile the face drawn for the editors' default text
// face ("Monaco", the face of every IText that names none), whatever fonts
// the machine offers: every machine draws the same pixels. Text styles
// naming other faces still go through the machine's font configuration.
// False (nothing changed) when the file is missing or not a font.
bool LoadEditorFont(const char* folder);

// LoadEditorFont on the resources folder of the bundle with identifier
// bundleID. False when there is no such bundle or font.
bool LoadBundleEditorFont(const char* bundleID);

// The folder of the bundle with identifier bundleID into path; false (path
// unchanged) when there is no such bundle.
bool GetBundlePath(const char* bundleID, WDL_String* path);

#endif
