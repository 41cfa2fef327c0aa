// Regenerates the editor's images:
//   make_editor_images OUTPUT_DIR              every scale (1, 1.5, 2 and 3)
//   make_editor_images OUTPUT_DIR --scale S    scale S only
// Scale 1 writes Back.png, KnobS.png, ...; any other scale the same names
// with "@<S>x" before ".png" (Back@2x.png, KnobS@1.5x.png). The committed
// images under Cinderpath/resources/img are this program's output for every
// scale; run it again after changing the drawing code and commit the result.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EditorImages.h"

int main(int argc, char** argv)
{
  std::vector<double> scales = EditorImageScales();
  if (argc == 4 && std::strcmp(argv[2], "--scale") == 0)
  {
    char* end = nullptr;
    const double s = std::strtod(argv[3], &end);
    if (end == argv[3] || *end != '\0')
    {
      std::fprintf(stderr, "make_editor_images: not a scale: %s\n", argv[3]);
      return 2;
    }
    scales = {s};
  }
  else if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR [--scale S]\n", argv[0]);
    return 2;
  }
  for (double s : scales)
  {
    std::string error;
    if (!WriteEditorImages(argv[1], s, &error))
    {
      std::fprintf(stderr, "make_editor_images: %s\n", error.c_str());
      return 1;
    }
    for (const std::string& f : EditorImageFiles())
      std::printf("%s/%s\n", argv[1], EditorImageFileName(f, s).c_str());
  }
  return 0;
}
