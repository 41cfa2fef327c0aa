// The editor's images: the 780 x 200 panel, the two knob film strips
// (91 frames each) and the two-frame switch and clip-light strips. The panel
// prints its legends and value windows where the editor places its captions,
// texts and controls, so positions here follow the editor's layout.
#ifndef CINDERPATH_TOOLS_EDITOR_IMAGES_H_
#define CINDERPATH_TOOLS_EDITOR_IMAGES_H_

#include <string>
#include <vector>

// File names (without directory) of every image WriteEditorImages writes, in
// the order it writes them. [any thread]
std::vector<std::string> EditorImageFiles();

// Draws every image and writes it as a PNG into dir (which must exist).
// Returns false and sets *error when a file cannot be written. [main thread]
bool WriteEditorImages(const std::string& dir, std::string* error);

#endif
