// Regenerates the editor's images:
//   make_editor_images OUTPUT_DIR
// The committed images under Cinderpath/resources/img are this program's
// output; run it again after changing the drawing code and commit the result.
#include <cstdio>
#include <string>

#include "EditorImages.h"

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  std::string error;
  if (!WriteEditorImages(argv[1], &error))
  {
    std::fprintf(stderr, "make_editor_images: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& f : EditorImageFiles()) std::printf("%s/%s\n", argv[1], f.c_str());
  return 0;
}
