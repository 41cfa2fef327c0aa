#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "lice.h"
#include "lice_test_util.h"

using namespace lice_test;

namespace
{

const std::string kSuiteDir = std::string(CINDERPATH_TEST_DATA_DIR) + "/pngsuite/png";

std::vector<std::string> suiteFiles()
{
  std::vector<std::string> names;
  if (DIR* d = opendir(kSuiteDir.c_str()))
  {
    while (dirent* e = readdir(d))
    {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".png") == 0) names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<unsigned char> readFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Reference decoder: reads the raw samples with no colour transform at all
// and converts them to A, R, G, B here, one pixel at a time.
struct RefImage
{
  int w = 0, h = 0;
  std::vector<LICE_pixel> px;
};

void refError(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }
void refWarning(png_structp, png_const_charp) {}

bool refDecode(const std::string& path, RefImage* out)
{
  FILE* fp = fopen(path.c_str(), "rb");
  if (!fp) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, refError, refWarning);
  png_infop info = png_create_info_struct(png);
  std::vector<std::vector<png_byte>>* rows = new std::vector<std::vector<png_byte>>();
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(fp);
    delete rows;
    return false;
  }
  png_init_io(png, fp);
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int w = static_cast<int>(png_get_image_width(png, info)), h = static_cast<int>(png_get_image_height(png, info));
  const int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  const int channels = png_get_channels(png, info);
  rows->assign(h, std::vector<png_byte>(png_get_rowbytes(png, info)));
  std::vector<png_bytep> ptrs;
  for (auto& r : *rows) ptrs.push_back(r.data());
  png_read_image(png, ptrs.data());

  png_colorp palette = nullptr;
  int nPalette = 0;
  png_get_PLTE(png, info, &palette, &nPalette);
  png_bytep transAlpha = nullptr;
  int nTrans = 0;
  png_color_16p transColour = nullptr;
  const bool hasTrns = png_get_tRNS(png, info, &transAlpha, &nTrans, &transColour) != 0;

  auto sample = [&](const std::vector<png_byte>& row, int k) -> int {
    if (depth == 16) return row[2 * k] << 8 | row[2 * k + 1];
    if (depth == 8) return row[k];
    const int bit = k * depth;
    return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
  };
  auto to8 = [&](int v) { return depth == 16 ? v >> 8 : depth == 8 ? v : v * 255 / ((1 << depth) - 1); };

  out->w = w;
  out->h = h;
  out->px.assign(static_cast<size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const auto& row = (*rows)[y];
      int s[4] = {0, 0, 0, 0};
      for (int c = 0; c < channels; ++c) s[c] = sample(row, x * channels + c);
      int r, g, b, a = 255;
      switch (type)
      {
      case PNG_COLOR_TYPE_GRAY:
        r = g = b = to8(s[0]);
        if (hasTrns && s[0] == transColour->gray) a = 0;
        break;
      case PNG_COLOR_TYPE_GRAY_ALPHA:
        r = g = b = to8(s[0]);
        a = to8(s[1]);
        break;
      case PNG_COLOR_TYPE_PALETTE:
        r = palette[s[0]].red;
        g = palette[s[0]].green;
        b = palette[s[0]].blue;
        if (hasTrns && s[0] < nTrans) a = transAlpha[s[0]];
        break;
      case PNG_COLOR_TYPE_RGB:
        r = to8(s[0]);
        g = to8(s[1]);
        b = to8(s[2]);
        if (hasTrns && s[0] == transColour->red && s[1] == transColour->green && s[2] == transColour->blue) a = 0;
        break;
      default:
        r = to8(s[0]);
        g = to8(s[1]);
        b = to8(s[2]);
        a = to8(s[3]);
        break;
      }
      out->px[static_cast<size_t>(y) * w + x] = LICE_RGBA(r, g, b, a);
    }
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(fp);
  delete rows;
  return true;
}

// Appends a chunk (length, type, data, checksum) to a PNG byte stream.
void appendChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
  const uint32_t n = static_cast<uint32_t>(data.size());
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<unsigned char>(n >> (8 * i)));
  std::vector<unsigned char> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  const uint32_t crc = static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<unsigned char>(crc >> (8 * i)));
}

// Signature and an 8-bit RGBA header chunk for w x h.
std::vector<unsigned char> pngStart(uint32_t w, uint32_t h)
{
  std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> ihdr;
  for (uint32_t v : {w, h})
    for (int i = 3; i >= 0; --i) ihdr.push_back(static_cast<unsigned char>(v >> (8 * i)));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  appendChunk(out, "IHDR", ihdr);
  return out;
}

// Bytes of a PNG made of a signature, a header chunk for w x h and a tiny
// image-data and end chunk.
std::vector<unsigned char> pngHeaderOnly(uint32_t w, uint32_t h)
{
  std::vector<unsigned char> out = pngStart(w, h);
  appendChunk(out, "IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
  appendChunk(out, "IEND", {});
  return out;
}

// A bitmap that never changes size.
class FixedBitmap : public ExactBitmap
{
public:
  FixedBitmap() : ExactBitmap(3, 3) {}
  bool resize(int, int) override { return false; }
};

std::string tempPath(const char* name)
{
  return std::string(CINDERPATH_BINARY_DIR) + "/lice_test_" + std::to_string(getpid()) + "_" + name;
}

TEST(LoadPNG, SuiteImagesDecodeToTheReferencePixels)
{
  const auto files = suiteFiles();
  if (files.empty()) GTEST_SKIP() << "PNG conformance images not found in " << kSuiteDir;
  int checked = 0;
  for (const auto& name : files)
  {
    if (name[0] == 'x') continue;
    const std::string path = kSuiteDir + "/" + name;
    RefImage ref;
    ASSERT_TRUE(refDecode(path, &ref)) << name;
    std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNG(path.c_str()));
    ASSERT_NE(bm, nullptr) << name;
    ASSERT_EQ(bm->getWidth(), ref.w) << name;
    ASSERT_EQ(bm->getHeight(), ref.h) << name;
    for (int y = 0; y < ref.h; ++y)
      for (int x = 0; x < ref.w; ++x)
        ASSERT_EQ(LICE_GetPixel(bm.get(), x, y), ref.px[static_cast<size_t>(y) * ref.w + x])
            << name << " at " << x << "," << y;
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST(LoadPNG, InterlacedImagesMatchTheirPlainTwins)
{
  const auto files = suiteFiles();
  if (files.empty()) GTEST_SKIP() << "PNG conformance images not found";
  for (const char* kind : {"0g01", "0g16", "2c08", "3p02", "4a16", "6a08"})
  {
    std::unique_ptr<LICE_IBitmap> a(LICE_LoadPNG((kSuiteDir + "/basi" + kind + ".png").c_str()));
    std::unique_ptr<LICE_IBitmap> b(LICE_LoadPNG((kSuiteDir + "/basn" + kind + ".png").c_str()));
    ASSERT_TRUE(a && b) << kind;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(LICE_GetPixel(a.get(), x, y), LICE_GetPixel(b.get(), x, y)) << kind;
  }
}

TEST(LoadPNG, PaletteTransparencyBecomesPerPixelAlpha)
{
  const std::string path = kSuiteDir + "/tbbn3p08.png";
  std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNG(path.c_str()));
  if (!bm && suiteFiles().empty()) GTEST_SKIP();
  ASSERT_NE(bm, nullptr);
  bool sawClear = false, sawOpaque = false;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x)
    {
      unsigned a = LICE_GETA(LICE_GetPixel(bm.get(), x, y));
      sawClear |= a == 0;
      sawOpaque |= a == 255;
    }
  EXPECT_TRUE(sawClear);
  EXPECT_TRUE(sawOpaque);
}

TEST(LoadPNG, CorruptSuiteImagesReturnNull)
{
  const auto files = suiteFiles();
  if (files.empty()) GTEST_SKIP() << "PNG conformance images not found";
  int checked = 0;
  for (const auto& name : files)
  {
    if (name[0] != 'x') continue;
    EXPECT_EQ(LICE_LoadPNG((kSuiteDir + "/" + name).c_str()), nullptr) << name;
    ExactBitmap into(2, 2);
    EXPECT_EQ(LICE_LoadPNG((kSuiteDir + "/" + name).c_str(), &into), nullptr) << name;
    ++checked;
  }
  EXPECT_GE(checked, 14);
}

// An image opened for later use has its header's size at once and, at its
// first use (here from two threads at once), exactly the pixels a direct load
// gives; a corrupt body reads as transparent black, a bad header is refused.
TEST(LoadPNG, OpenedImagesDecodeOnFirstUseAsADirectLoad)
{
  const auto files = suiteFiles();
  if (files.empty()) GTEST_SKIP() << "PNG conformance images not found";
  EXPECT_EQ(LICE_OpenPNG(nullptr), nullptr);
  EXPECT_EQ(LICE_OpenPNG((std::string(CINDERPATH_BINARY_DIR) + "/no-such-image.png").c_str()), nullptr);
  int blank = 0;
  for (const auto& name : files)
  {
    const std::string path = kSuiteDir + "/" + name;
    std::unique_ptr<LICE_IBitmap> direct(LICE_LoadPNG(path.c_str()));
    std::unique_ptr<LICE_IBitmap> opened(LICE_OpenPNG(path.c_str()));
    if (!opened)
    {
      EXPECT_EQ(direct, nullptr) << name << " decodes but was refused";
      continue;
    }
    const int w = opened->getWidth(), h = opened->getHeight();
    std::thread other([&] { opened->getBits(); });
    opened->getRowSpan();
    other.join();
    ASSERT_EQ(opened->getWidth(), w) << name;
    ASSERT_EQ(opened->getHeight(), h) << name;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
      {
        ASSERT_EQ(LICE_GetPixel(opened.get(), x, y), direct ? LICE_GetPixel(direct.get(), x, y) : 0u)
            << name << " at " << x << "," << y;
      }
    if (direct)
    {
      EXPECT_EQ(direct->getWidth(), w) << name;
      EXPECT_EQ(direct->getHeight(), h) << name;
    }
    blank += !direct;
  }
  EXPECT_GT(blank, 0) << "no corrupt image had a sound header";
}

TEST(LoadPNG, MissingOrUnreadableFilesReturnNull)
{
  EXPECT_EQ(LICE_LoadPNG(nullptr), nullptr);
  EXPECT_EQ(LICE_LoadPNG(""), nullptr);
  EXPECT_EQ(LICE_LoadPNG((std::string(CINDERPATH_BINARY_DIR) + "/no-such-image.png").c_str()), nullptr);
  EXPECT_EQ(LICE_LoadPNG(CINDERPATH_BINARY_DIR), nullptr); // a directory
  EXPECT_EQ(LICE_LoadPNGFromMemory(nullptr, 100), nullptr);
  const unsigned char notPng[16] = {'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_EQ(LICE_LoadPNGFromMemory(notPng, sizeof(notPng)), nullptr);
}

TEST(LoadPNG, ImagesTooLargeForABitmapReturnNull)
{
  const uint32_t sizes[][2] = {{40000, 30000}, {32768, 32768}};
  for (auto& s : sizes)
  {
    const auto bytes = pngHeaderOnly(s[0], s[1]);
    EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()), nullptr);
    LICE_MemBitmap into(4, 4, 4);
    EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), bytes.size(), &into), nullptr);
    EXPECT_EQ(into.getWidth(), 0);
    const std::string path = tempPath("huge.png");
    {
      std::ofstream f(path, std::ios::binary);
      f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(LICE_LoadPNG(path.c_str()), nullptr);
    unlink(path.c_str());
  }
}

// A hostile file costs the decoder little beyond the image's pixels: a
// 41-byte file whose text chunk declares 0x7FFFFFF0 bytes, and a 4 x 4 image
// carrying 200 compressed text chunks of 1.5 MB each.
TEST(LoadPNG, HostileChunksCostOnlyAFewMegabytes)
{
  std::vector<unsigned char> tiny = pngStart(1, 1);
  tiny.insert(tiny.end(), {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't'});
  ASSERT_EQ(tiny.size(), 41u);
  EXPECT_EQ(LICE_LoadPNGFromMemory(tiny.data(), tiny.size()), nullptr);
  EXPECT_LT(LICE_PNGDecodePeakBytes(), 1u << 20);

  std::vector<unsigned char> bomb = pngStart(4, 4);
  std::vector<unsigned char> text(1536 * 1024, 'a');
  std::vector<unsigned char> packed(compressBound(static_cast<uLong>(text.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  ASSERT_EQ(compress(packed.data(), &packedSize, text.data(), static_cast<uLong>(text.size())), Z_OK);
  std::vector<unsigned char> ztxt = {'k', 0, 0};
  ztxt.insert(ztxt.end(), packed.begin(), packed.begin() + static_cast<ptrdiff_t>(packedSize));
  for (int i = 0; i < 200; ++i) appendChunk(bomb, "zTXt", ztxt);
  std::vector<unsigned char> rows(4 * (1 + 4 * 4), 0), idat(compressBound(static_cast<uLong>(rows.size())));
  uLongf idatSize = static_cast<uLongf>(idat.size());
  ASSERT_EQ(compress(idat.data(), &idatSize, rows.data(), static_cast<uLong>(rows.size())), Z_OK);
  idat.resize(idatSize);
  appendChunk(bomb, "IDAT", idat);
  appendChunk(bomb, "IEND", {});
  std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNGFromMemory(bomb.data(), bomb.size()));
  EXPECT_LT(LICE_PNGDecodePeakBytes(), 10u << 20);
  ASSERT_NE(bm, nullptr); // the text is skipped, the image decodes
  EXPECT_EQ(bm->getWidth(), 4);
  EXPECT_EQ(LICE_GetPixel(bm.get(), 3, 3), 0u);

  // an ordinary image still decodes, with a small peak
  const auto plain = readFile(kSuiteDir + "/basn6a08.png");
  if (plain.empty()) return;
  std::unique_ptr<LICE_IBitmap> ok(LICE_LoadPNGFromMemory(plain.data(), plain.size()));
  EXPECT_NE(ok, nullptr);
  EXPECT_GT(LICE_PNGDecodePeakBytes(), 0u);
}

TEST(LoadPNG, BitmapThatCannotTakeTheSizeGivesNull)
{
  const auto bytes = pngHeaderOnly(1, 1);
  FixedBitmap fixed;
  EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), bytes.size(), &fixed), nullptr);
}

TEST(LoadPNG, TruncatedAndCorruptedBytesNeverCrash)
{
  auto bytes = readFile(kSuiteDir + "/basn6a08.png");
  if (bytes.empty()) GTEST_SKIP();
  for (size_t n = 0; n < bytes.size(); n += (n < 100 ? 1 : 7))
  {
    std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNGFromMemory(bytes.data(), n));
    if (n < 100)
    {
      EXPECT_EQ(bm, nullptr) << n; // cut before the image data
    }
    if (bm)
    {
      EXPECT_EQ(bm->getWidth(), 32);
    }
  }
  std::mt19937 rng(31);
  for (int i = 0; i < 300; ++i)
  {
    auto bad = bytes;
    for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k) bad[8 + rng() % (bad.size() - 8)] = static_cast<unsigned char>(rng());
    std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNGFromMemory(bad.data(), bad.size()));
    if (bm)
    {
      EXPECT_GT(bm->getWidth(), 0);
    }
  }
}

TEST(LoadPNG, LoadsIntoAGivenFlippedBitmap)
{
  const std::string path = kSuiteDir + "/basn2c08.png";
  std::unique_ptr<LICE_IBitmap> plain(LICE_LoadPNG(path.c_str()));
  if (!plain) GTEST_SKIP();
  ExactBitmap flipped(1, 1, 3, true);
  ASSERT_EQ(LICE_LoadPNG(path.c_str(), &flipped), &flipped);
  ASSERT_EQ(flipped.getWidth(), 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(flipped.px(x, y), LICE_GetPixel(plain.get(), x, y));
}

TEST(WritePNG, RoundTripsWithAndWithoutAlpha)
{
  std::mt19937 rng(41);
  ExactBitmap bm(13, 7, 2, true);
  bm.fillRandom(rng);
  const std::string path = tempPath("roundtrip.png");
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), &bm));
  std::unique_ptr<LICE_IBitmap> back(LICE_LoadPNG(path.c_str()));
  ASSERT_NE(back, nullptr);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(LICE_GetPixel(back.get(), x, y), bm.px(x, y));
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), &bm, false));
  back.reset(LICE_LoadPNG(path.c_str()));
  ASSERT_NE(back, nullptr);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(LICE_GetPixel(back.get(), x, y), bm.px(x, y) | 0xFFu);
  unlink(path.c_str());
  LICE_MemBitmap empty;
  EXPECT_FALSE(LICE_WritePNG(path.c_str(), &empty));
  EXPECT_FALSE(LICE_WritePNG((std::string(CINDERPATH_BINARY_DIR) + "/no/such/dir/x.png").c_str(), &bm));
}

} // namespace
