// A fresh folder under /tmp for one test, removed with everything in it.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

struct TempDir {
  std::string path;
  TempDir() {
    char templ[] = "/tmp/cinderpath-cli-XXXXXX";
    const char* made = mkdtemp(templ);
    path = made ? made : "/tmp";
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string operator/(const std::string& name) const { return path + "/" + name; }
  // Names in the folder, "." and ".." excluded.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(d);
    }
    return names;
  }
};
