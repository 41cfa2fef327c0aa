// Compares two sound files sample by sample and prints the largest
// difference. Used by hosts_test.sh to compare renders of different hosts.
//
// Usage: lv2_wavdiff A B [--shift N] [--tolerance T]
// Sample a[i + N] is compared with b[i] over the frames both files hold
// (N >= 0: A is late by N frames, as a render without latency compensation
// is). Exit status 0 when the channel counts and rates match and every
// difference is at most T (default 1e-6), 1 otherwise, 2 on bad usage or
// unreadable files.

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct Sound
{
  int channels = 0;
  int rate = 0;
  long frames = 0;
  std::vector<float> samples;  // interleaved
};

bool Load(const char* path, Sound* s)
{
  SF_INFO info;
  memset(&info, 0, sizeof(info));
  SNDFILE* f = sf_open(path, SFM_READ, &info);
  if (!f)
  {
    fprintf(stderr, "%s: %s\n", path, sf_strerror(nullptr));
    return false;
  }
  s->channels = info.channels;
  s->rate = info.samplerate;
  s->frames = (long)info.frames;
  s->samples.resize((size_t)info.frames * (size_t)info.channels);
  const sf_count_t got = sf_readf_float(f, s->samples.data(), info.frames);
  sf_close(f);
  if (got != info.frames)
  {
    fprintf(stderr, "%s: short read\n", path);
    return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv)
{
  if (argc < 3)
  {
    fprintf(stderr, "usage: %s A B [--shift N] [--tolerance T]\n", argv[0]);
    return 2;
  }
  long shift = 0;
  double tolerance = 1e-6;
  for (int i = 3; i < argc; ++i)
  {
    const std::string arg = argv[i];
    if (arg == "--shift" && i + 1 < argc)
      shift = strtol(argv[++i], nullptr, 10);
    else if (arg == "--tolerance" && i + 1 < argc)
      tolerance = strtod(argv[++i], nullptr);
    else
    {
      fprintf(stderr, "unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  Sound a, b;
  if (!Load(argv[1], &a) || !Load(argv[2], &b)) return 2;
  if (a.channels != b.channels || a.rate != b.rate)
  {
    printf("format differs: %d ch %d Hz against %d ch %d Hz\n", a.channels, a.rate, b.channels, b.rate);
    return 1;
  }
  if (shift < 0)
  {
    fprintf(stderr, "--shift must not be negative\n");
    return 2;
  }
  const long n = std::min(a.frames - shift, b.frames);
  double maxDiff = 0.0, peak = 0.0;
  long worst = -1;
  for (long i = 0; i < n; ++i)
    for (int c = 0; c < a.channels; ++c)
    {
      const double x = a.samples[(size_t)(i + shift) * a.channels + c];
      const double y = b.samples[(size_t)i * b.channels + c];
      const double d = std::fabs(x - y);
      peak = std::max(peak, std::fabs(y));
      if (!(d <= maxDiff))
      {
        maxDiff = d;
        worst = i;
      }
    }
  printf("compared %ld frames x %d channels, shift %ld: max difference %.3g (frame %ld), peak %.3g\n", n,
         a.channels, shift, maxDiff, worst, peak);
  return (n > 0 && maxDiff <= tolerance) ? 0 : 1;
}
