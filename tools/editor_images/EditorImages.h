// The editor's images: the 780 x 200 panel, the two knob film strips
// (91 frames each) and the two-frame switch and clip-light strips. The panel
// prints its legends and value windows where the editor places its captions,
// texts and controls, so positions here follow the editor's layout.
#ifndef CINDERPATH_TOOLS_EDITOR_IMAGES_H_
#define CINDERPATH_TOOLS_EDITOR_IMAGES_H_

#include <string>
#include <vector>

// File names (without directory) of every image at scale 1, in the order
// WriteEditorImages writes them. [any thread]
std::vector<std::string> EditorImageFiles();

// The display scales the images are drawn for, 1 first: 1, 1.5, 2 and 3.
// At scale s every length of the scale-1 images (width, frame height,
// positions of what the panel prints) becomes floor(length * s + 0.5) pixels;
// frame counts stay. [any thread]
std::vector<double> EditorImageScales();

// Name of the scale-1 file's image drawn at scale ("KnobS.png", 2 ->
// "KnobS@2x.png"; scale 1 keeps the name). The editor finds its images by
// the same rule (ScaledImageName). [any thread]
std::string EditorImageFileName(const std::string& file, double scale);

// Draws every image at the given scale (0.5 to 8; EditorImageScales() are
// the committed ones) and writes it as a PNG named by EditorImageFileName
// into dir (which must exist). Returns false and sets *error when the scale
// is out of range or a file cannot be written. [main thread]
bool WriteEditorImages(const std::string& dir, double scale, std::string* error);

// The same at scale 1. [main thread]
bool WriteEditorImages(const std::string& dir, std::string* error);

#endif
