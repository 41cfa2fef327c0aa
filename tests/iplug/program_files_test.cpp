// Program and bank files: golden bytes built from the file layout, round
// trips, and a table of bad files that must change nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlug/IPlugBase.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kID = 0x53746174;  // 'Stat'
constexpr int kDecimalVersion = 10202;  // version 1.2.2

// Three parameters on 0..1 (0 and 1 of them doubles, 2 an int 0..10), four
// slots; chunk form on request.
class FilePlug : public IPlugBase
{
public:
  explicit FilePlug(bool chunks, int nPresets = 4)
    : IPlugBase(3, "1-1 2-2", nPresets, "FileTest", "", "Tests", 0x010202, kID, 0x54657374, 0, false, chunks, false,
                kAPIAU)
  {
    GetParam(0)->InitDouble("A", 0.25, 0.0, 1.0, 0.01);
    GetParam(1)->InitDouble("B", 0.5, 0.0, 1.0, 0.01);
    GetParam(2)->InitInt("C", 5, 0, 10);
    MakeDefaultPreset("-", nPresets);
  }
  void OnParamChange(int paramIdx) override
  {
    const double v = GetParam(paramIdx)->Value();
    if (!(v >= GetParam(paramIdx)->GetMin() && v <= GetParam(paramIdx)->GetMax())) ++mOutOfRange;
  }
  void InformHostOfProgramChange() override { ++mProgramChanges; }
  IPreset* Preset(int i) { return mPresets.Get(i); }
  void SetCurrent(int i) { mCurrentPresetIdx = i; }
  const char* PreviousPath() { return mPreviousPath.Get(); }

  // Everything a load may change.
  std::string View()
  {
    std::string v = std::to_string(mCurrentPresetIdx);
    for (int i = 0; i < NParams(); ++i) v += " " + std::to_string(GetParam(i)->Value());
    for (int i = 0; i < NPresets(); ++i)
    {
      IPreset* p = Preset(i);
      v += std::string(" [") + p->mName + "]" + (p->mInitialized ? "1" : "0");
      v += std::string((const char*)p->mChunk.GetBytes(), (size_t)p->mChunk.Size());
    }
    return v;
  }
  int mOutOfRange = 0;
  int mProgramChanges = 0;
};

// Answers every dialog with a fixed path (empty: the user cancelled) and
// moves the folder.
class DialogEditor : public IGraphicsHeadless
{
public:
  DialogEditor() : IGraphicsHeadless(nullptr, 1, 1) {}
  void SetParameterFromPlug(int, double, bool) override {}
  void PrepDraw() override {}
  void PromptForFile(WDL_String* pFilename, EFileAction action, WDL_String* pDir, char* extensions) override
  {
    mAsked.push_back(std::string(action == kFileSave ? "save " : "open ") + pFilename->Get() + " " + extensions +
                     " in " + pDir->Get());
    pFilename->Set(mAnswer.c_str());
    if (!mAnswer.empty()) pDir->Set("chosen/");
  }
  std::string mAnswer;
  std::vector<std::string> mAsked;
};

Bytes operator+(Bytes a, const Bytes& b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void BE(Bytes* b, uint32_t v)
{
  for (int s = 24; s >= 0; s -= 8) b->push_back((unsigned char)(v >> s));
}
void BEFloat(Bytes* b, float f)
{
  uint32_t v;
  memcpy(&v, &f, 4);
  BE(b, v);
}
void Magic(Bytes* b, const char* m)
{
  for (int i = 0; i < 4; ++i) b->push_back((unsigned char)m[i]);
}
void Name(Bytes* b, const std::string& name)
{
  Bytes field(28, 0);
  memcpy(field.data(), name.data(), std::min<size_t>(name.size(), 27));
  b->insert(b->end(), field.begin(), field.end());
}
void LE(Bytes* b, const void* p, size_t n) { b->insert(b->end(), (const unsigned char*)p, (const unsigned char*)p + n); }
Bytes Tag()
{
  Bytes b = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  return b;
}
Bytes State(const std::vector<double>& v)
{
  Bytes b;
  for (double d : v) LE(&b, &d, 8);
  return b;
}

// A parameter-form program record or file.
Bytes ParamProgram(const std::string& name, const std::vector<float>& normalized, uint32_t nParams = 3)
{
  Bytes b;
  Magic(&b, "CcnK");
  BE(&b, 0);
  Magic(&b, "FxCk");
  BE(&b, 1);
  BE(&b, kID);
  BE(&b, kDecimalVersion);
  BE(&b, nParams);
  Name(&b, name);
  for (float f : normalized) BEFloat(&b, f);
  return b;
}

Bytes ChunkProgram(const std::string& name, const std::vector<double>& values)
{
  const Bytes chunk = Tag() + State(values);
  Bytes b;
  Magic(&b, "CcnK");
  BE(&b, (uint32_t)(60 + chunk.size()));
  Magic(&b, "FPCh");
  BE(&b, 1);
  BE(&b, kID);
  BE(&b, kDecimalVersion);
  BE(&b, 3);
  Name(&b, name);
  BE(&b, (uint32_t)chunk.size());
  return b + chunk;
}

Bytes BankHeader(const char* magic, uint32_t byteSize, uint32_t nPrograms, uint32_t current)
{
  Bytes b;
  Magic(&b, "CcnK");
  BE(&b, byteSize);
  Magic(&b, magic);
  BE(&b, 2);
  BE(&b, kID);
  BE(&b, kDecimalVersion);
  BE(&b, nPrograms);
  BE(&b, current);
  b.resize(b.size() + 124, 0);
  return b;
}

Bytes StrRecord(const std::string& s)
{
  Bytes b;
  const int n = (int)s.size();
  LE(&b, &n, 4);
  return b + Bytes(s.begin(), s.end());
}

Bytes Of(const ByteChunk& c) { return Bytes(c.GetBytes(), c.GetBytes() + c.Size()); }
void Fill(ByteChunk* c, const Bytes& b)
{
  c->Clear();
  if (!b.empty()) c->PutBytes(b.data(), (int)b.size());
}

// Slot values used by the bank tests: slot s holds A = s / 8 (exact in
// single precision), named "slot s"; slot 1 is current.
void FillSlots(FilePlug* plug)
{
  for (int s = 0; s < plug->NPresets(); ++s)
  {
    plug->RestorePreset(s);
    plug->GetParam(0)->Set(s / 8.0);
    plug->ModifyCurrentPreset(("slot " + std::to_string(s)).c_str());
  }
  plug->RestorePreset(1);
}

TEST(ProgramFiles, SavedFilesMatchTheLayoutByteForByte)
{
  FilePlug params(false), chunks(true);
  for (FilePlug* p : {&params, &chunks})
  {
    p->GetParam(0)->Set(0.75);
    p->ModifyCurrentPreset("A program name longer than 27 bytes");
  }
  ByteChunk file;
  ASSERT_TRUE(params.MakeProgramFXP(&file));
  const Bytes paramProgram = ParamProgram("A program name longer than 27 bytes", {0.75f, 0.5f, 0.5f});
  ASSERT_EQ(paramProgram.size(), 56u + 12u);
  EXPECT_EQ(Of(file), paramProgram);

  ASSERT_TRUE(chunks.MakeProgramFXP(&file));
  const Bytes chunkProgram = ChunkProgram("A program name longer than 27 bytes", {0.75, 0.5, 5.0});
  ASSERT_EQ(chunkProgram.size(), 60u + 8u + 24u);
  EXPECT_EQ(Of(file), chunkProgram);

  FillSlots(&params);
  ASSERT_TRUE(params.MakeBankFXB(&file));
  Bytes bank = BankHeader("FxBk", 0, 4, 1);
  for (int s = 0; s < 4; ++s) bank = bank + ParamProgram("slot " + std::to_string(s), {s / 8.0f, 0.5f, 0.5f});
  EXPECT_EQ(Of(file), bank);

  FillSlots(&chunks);
  ASSERT_TRUE(chunks.MakeBankFXB(&file));
  Bytes list = Tag();
  for (int s = 0; s < 4; ++s) list = list + StrRecord("slot " + std::to_string(s)) + Bytes{1} + State({s / 8.0, 0.5, 5.0});
  Bytes chunkBank = BankHeader("FBCh", (uint32_t)(160 + list.size()), 4, 1);
  BE(&chunkBank, (uint32_t)list.size());
  EXPECT_EQ(Of(file), chunkBank + list);
}

TEST(ProgramFiles, FilesRoundTripThroughDisk)
{
  char dirTemplate[] = "/tmp/cinderpath-files-XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  for (bool chunks : {false, true})
  {
    FilePlug from(chunks), to(chunks);
    FillSlots(&from);
    from.GetParam(2)->Set(7.0);
    from.ModifyCurrentPreset("seven");
    const std::string fxp = dir + "/p.fxp", fxb = dir + "/b.fxb";
    ASSERT_TRUE(from.SaveProgramAsFXPFile(fxp.c_str()));
    ASSERT_TRUE(from.SaveBankAsFXBFile(fxb.c_str()));

    to.RestorePreset(1);  // a chunk-form bank keeps the current index
    ASSERT_TRUE(to.LoadBankFromFXBFile(fxb.c_str()));
    EXPECT_EQ(to.View(), from.View()) << chunks;
    to.RestorePreset(3);
    ASSERT_TRUE(to.LoadProgramFromFXPFile(fxp.c_str()));
    EXPECT_EQ(to.GetParam(2)->Value(), 7.0);
    EXPECT_STREQ(to.GetPresetName(3), "seven");
    EXPECT_EQ(to.mProgramChanges, 2);
    EXPECT_EQ(to.mOutOfRange, 0);

    // Files of the other form load by their magic; a chunk-form file needs a
    // plug-in that saves chunks.
    FilePlug other(!chunks);
    EXPECT_EQ(other.LoadProgramFromFXPFile(fxp.c_str()), !chunks);
    EXPECT_EQ(other.LoadBankFromFXBFile(fxb.c_str()), !chunks);
    remove(fxp.c_str());
    remove(fxb.c_str());
  }
  // A save that cannot be written reports it and creates nothing.
  FilePlug plug(false);
  EXPECT_FALSE(plug.SaveProgramAsFXPFile((dir + "/missing/p.fxp").c_str()));
  EXPECT_FALSE(plug.LoadProgramFromFXPFile((dir + "/missing.fxp").c_str()));
  EXPECT_FALSE(plug.LoadProgramFromFXPFile(dir.c_str()));  // a folder
  EXPECT_EQ(rmdir(dir.c_str()), 0);  // nothing left behind
}

}  // namespace

// Every umask call of this test program passes through here, so a test can
// tell that saving never changed the process umask (even for a moment: a
// host's other threads create files meanwhile).
static int g_umaskCalls = 0;
extern "C" mode_t umask(mode_t mask)
{
  ++g_umaskCalls;
  return (mode_t)syscall(SYS_umask, mask);
}

namespace {

TEST(ProgramFiles, SavesKeepLinksAndNeverTouchTheUmask)
{
  const std::string pattern = (std::filesystem::temp_directory_path() / "cinderpath-links-XXXXXX").string();
  std::vector<char> dirTemplate(pattern.begin(), pattern.end());
  dirTemplate.push_back(0);
  ASSERT_NE(mkdtemp(dirTemplate.data()), nullptr);
  const std::string dir = dirTemplate.data();
  const std::string real = dir + "/real.fxp", link = dir + "/link.fxp", fresh = dir + "/new.fxp",
                    dangling = dir + "/dangling.fxp";
  FILE* f = fopen(real.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("old", f);
  fclose(f);
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.fxp", link.c_str()), 0);
  ASSERT_EQ(symlink("nowhere.fxp", dangling.c_str()), 0);
  const mode_t mask = umask(027);
  g_umaskCalls = 0;

  FilePlug plug(false);
  ASSERT_TRUE(plug.SaveProgramAsFXPFile(link.c_str()));
  ASSERT_TRUE(plug.SaveProgramAsFXPFile(fresh.c_str()));
  EXPECT_FALSE(plug.SaveProgramAsFXPFile(dangling.c_str()));
  EXPECT_EQ(g_umaskCalls, 0);
  umask(mask);

  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a plain file";
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  ByteChunk made;
  ASSERT_TRUE(plug.MakeProgramFXP(&made));
  FilePlug reader(false);
  EXPECT_TRUE(reader.LoadProgramFromFXPFile(real.c_str()));
  EXPECT_EQ((long)st.st_size, (long)made.Size());
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);  // 0666 less the umask 027
  ASSERT_EQ(stat((dir + "/nowhere.fxp").c_str(), &st), -1);

  for (const std::string& p : {real, link, fresh, dangling}) remove(p.c_str());
  EXPECT_EQ(rmdir(dir.c_str()), 0);  // no partial file left behind
}

TEST(ProgramFiles, DialogsRunThroughTheEditor)
{
  FilePlug plug(false);
  EXPECT_FALSE(plug.SaveProgramAsFXP("x.fxp"));  // no editor
  EXPECT_FALSE(plug.LoadBankFromFXB());
  DialogEditor* editor = new DialogEditor;
  plug.AttachGraphics(editor);
  EXPECT_FALSE(plug.SaveProgramAsFXP("x.fxp"));  // cancelled
  char path[] = "/tmp/cinderpath-dialog-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  editor->mAnswer = path;
  EXPECT_TRUE(plug.SaveBankAsFXB("b.fxb"));
  EXPECT_TRUE(plug.LoadBankFromFXB());
  EXPECT_FALSE(plug.LoadProgramFromFXP());  // a bank is no program
  const std::vector<std::string> want = {"save x.fxp fxp in ", "save b.fxb fxb in ", "open  fxb in chosen/",
                                         "open  fxp in chosen/"};
  EXPECT_EQ(editor->mAsked, want);
  EXPECT_STREQ(plug.PreviousPath(), "chosen/");
  remove(path);
}

TEST(ProgramFiles, ValuesAreClampedAndNamesKeptWhole)
{
  FilePlug plug(false);
  const float nan = std::nanf("");
  ByteChunk file;
  Fill(&file, ParamProgram("ABCDEFGHIJKLMNOPQRSTUVWXYZ01", {-5.0f, nan, 7.0f}));
  memcpy(file.GetBytes() + 28, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01", 28);  // 28 bytes, no terminator
  ASSERT_TRUE(plug.LoadProgramFromFXPBytes(&file));
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), 0.5);  // NaN keeps the value
  EXPECT_EQ(plug.GetParam(2)->Value(), 10.0);
  EXPECT_STREQ(plug.GetPresetName(0), "ABCDEFGHIJKLMNOPQRSTUVWXYZ01");
  EXPECT_EQ(plug.mOutOfRange, 0);

  // A file cut off inside the values is refused whole, name included.
  const Bytes whole = ParamProgram("cut", {0.1f, 0.2f, 0.3f});
  Fill(&file, Bytes(whole.begin(), whole.end() - 6));
  EXPECT_FALSE(plug.LoadProgramFromFXPBytes(&file));
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), 0.5);
  EXPECT_EQ(plug.GetParam(2)->Value(), 10.0);
  EXPECT_STREQ(plug.GetPresetName(0), "ABCDEFGHIJKLMNOPQRSTUVWXYZ01");
}

TEST(ProgramFiles, BankCurrentProgramAndExtraRecords)
{
  FilePlug plug(false);
  Bytes records;
  for (int r = 0; r < 6; ++r) records = records + ParamProgram("r" + std::to_string(r), {r / 10.0f, 0.5f, 0.5f});
  ByteChunk file;
  struct Case
  {
    uint32_t current;
    int wantCurrent;
  };
  for (const Case& c : {Case{2, 2}, Case{9, 1}})
  {
    plug.SetCurrent(1);
    Fill(&file, BankHeader("FxBk", 0, 6, c.current) + records);
    ASSERT_TRUE(plug.LoadBankFromFXBBytes(&file));
    EXPECT_EQ(plug.GetCurrentPresetIdx(), c.wantCurrent);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(plug.GetPresetName(s), "r" + std::to_string(s));
    EXPECT_EQ(plug.GetParam(0)->Value(), (double)(c.wantCurrent / 10.0f));
  }
}

// Each bad file returns false and changes nothing.
TEST(ProgramFiles, BadFilesChangeNothing)
{
  for (bool chunks : {false, true})
  {
    FilePlug plug(chunks);
    FillSlots(&plug);
    ByteChunk good;
    ASSERT_TRUE(plug.MakeProgramFXP(&good));
    const Bytes program = Of(good);
    ASSERT_TRUE(plug.MakeBankFXB(&good));
    const Bytes bank = Of(good);
    plug.GetParam(1)->Set(0.125);
    const std::string before = plug.View();

    auto refused = [&](const Bytes& bytes, bool isBank, const std::string& what) {
      ByteChunk file;
      Fill(&file, bytes);
      EXPECT_FALSE(isBank ? plug.LoadBankFromFXBBytes(&file) : plug.LoadProgramFromFXPBytes(&file)) << what;
      EXPECT_EQ(plug.View(), before) << what;
    };
    auto with = [](Bytes b, size_t at, uint32_t v) {
      for (int s = 0; s < 4; ++s) b[at + (size_t)s] = (unsigned char)(v >> (24 - 8 * s));
      return b;
    };

    // Every cut of a bank and of a program, in either form.
    for (size_t n = 0; n < program.size(); ++n) refused(Bytes(program.begin(), program.begin() + (long)n), false, "cut " + std::to_string(n));
    for (size_t n = 0; n < bank.size(); ++n) refused(Bytes(bank.begin(), bank.begin() + (long)n), true, "bank cut " + std::to_string(n));

    const uint32_t bad = 0x58585858;  // "XXXX"
    refused(with(program, 0, bad), false, "chunk magic");
    refused(with(program, 8, bad), false, "program magic");
    refused(with(program, 12, 2), false, "format version");
    refused(with(program, 16, kID + 1), false, "plug-in ID");
    refused(with(program, 24, 4), false, "parameter count");
    refused(with(program, 24, 0xFFFFFFFF), false, "parameter count -1");
    refused(with(bank, 0, bad), true, "bank chunk magic");
    refused(with(bank, 8, bad), true, "bank magic");
    refused(with(bank, 16, kID + 1), true, "bank plug-in ID");
    if (chunks)
    {
      // A preset list that claims a longer name than the file holds.
      Bytes longName = bank;
      longName[171] = 0x7F;  // the first name's length, little-endian, now past the file
      refused(longName, true, "name length");
    }
    else
    {
      refused(with(bank, 24, 0xFFFFFFFF), true, "program count");
      refused(with(bank, 24, 5), true, "program count past the file");
      const size_t third = 156 + 2 * 68;
      refused(with(bank, third + 24, 4), true, "third record's parameter count");
      refused(with(bank, third + 8, bad), true, "third record's magic");
      refused(with(bank, third + 12, 2), true, "third record's version");
    }

    // Random corruption: refused without a change, or accepted with every
    // value in range.
    std::mt19937 rng(chunks ? 7 : 11);
    for (int iter = 0; iter < 2000; ++iter)
    {
      const bool isBank = iter % 2;
      Bytes b = isBank ? bank : program;
      for (int k = 0; k < 1 + (int)(rng() % 4); ++k) b[rng() % b.size()] = (unsigned char)rng();
      if (rng() % 4 == 0) b.resize(rng() % (b.size() + 1));
      ByteChunk file;
      Fill(&file, b);
      const std::string was = plug.View();
      const bool ok = isBank ? plug.LoadBankFromFXBBytes(&file) : plug.LoadProgramFromFXPBytes(&file);
      if (!ok)
      {
        EXPECT_EQ(plug.View(), was) << iter;
      }
      for (int i = 0; i < plug.NParams(); ++i)
      {
        const double v = plug.GetParam(i)->Value();
        ASSERT_TRUE(v >= plug.GetParam(i)->GetMin() && v <= plug.GetParam(i)->GetMax()) << iter;
      }
    }
    EXPECT_EQ(plug.mOutOfRange, 0);
  }
}

}  // namespace
