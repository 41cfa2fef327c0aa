// Runs a fuzz target over saved inputs, for builds without the fuzzing
// engine: each argument is a file or a folder of files, fed to the target
// one by one in name order. The committed corpora and every reproducer of a
// fixed fault thus run as plain tests under every compiler and sanitizer.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes)
{
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  uint8_t buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
  const bool ok = !ferror(f);
  fclose(f);
  return ok;
}

// Files named by path: the path itself, or the regular files in the folder.
std::vector<std::string> InputsAt(const std::string& path)
{
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return {};
  if (!S_ISDIR(st.st_mode)) return {path};
  std::vector<std::string> files;
  if (DIR* dir = opendir(path.c_str()))
  {
    while (dirent* entry = readdir(dir))
    {
      const std::string file = path + "/" + entry->d_name;
      if (entry->d_name[0] != '.' && stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) files.push_back(file);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}
}  // namespace

int main(int argc, char** argv)
{
  int nRun = 0;
  for (int i = 1; i < argc; ++i)
  {
    const std::vector<std::string> files = InputsAt(argv[i]);
    if (files.empty())
    {
      fprintf(stderr, "no inputs at %s\n", argv[i]);
      return 1;
    }
    for (const std::string& file : files)
    {
      std::vector<uint8_t> bytes;
      if (!ReadFile(file, &bytes))
      {
        fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++nRun;
    }
  }
  printf("%d inputs ran\n", nRun);
  return 0;
}
