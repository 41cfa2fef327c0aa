// Fonts: family lookup (font files added by the program first, then
// fontconfig), FreeType faces and sizes, font creation and text metrics.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>

#include "swell-ft.h"
#include "swell-text-layout.h"

namespace
{

FT_Library s_library = nullptr;
bool s_libraryFailed = false;

// Faces by file and index, and the face chosen for each requested family.
// Both live until the process exits (never destroyed, so fonts stay usable
// from other objects' destructors at exit).
std::map<std::string, SWELL_Face*>& FacesByFile()
{
  static auto* s_faces = new std::map<std::string, SWELL_Face*>;
  return *s_faces;
}
std::map<std::string, SWELL_Face*>& FacesByFamily()
{
  static auto* s_faces = new std::map<std::string, SWELL_Face*>;
  return *s_faces;
}
// Faces given by SWELL_AddFontFile, by family folded to lower case; they win
// over the machine's font configuration.
std::map<std::string, SWELL_Face*>& AddedFaces()
{
  static auto* s_faces = new std::map<std::string, SWELL_Face*>;
  return *s_faces;
}

std::string LowerCase(const char* text)
{
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

FT_Library Library()
{
  if (!s_library && !s_libraryFailed)
  {
    if (FT_Init_FreeType(&s_library) != 0)
    {
      s_library = nullptr;
      s_libraryFailed = true;
    }
  }
  return s_library;
}

SWELL_Face* OpenFace(const char* file, int index)
{
  std::string key = std::string(file) + '#' + std::to_string(index);
  auto it = FacesByFile().find(key);
  if (it != FacesByFile().end()) return it->second;
  FT_Library lib = Library();
  if (!lib) return nullptr;
  FT_Face ft = nullptr;
  if (FT_New_Face(lib, file, index, &ft) != 0) return nullptr;
  if (!FT_IS_SCALABLE(ft))
  {
    FT_Done_Face(ft);
    return nullptr;
  }
  SWELL_Face* face = new SWELL_Face;
  face->ft = ft;
  face->capHeightUnits = 0.0;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  if (os2 && os2->version >= 2 && os2->sCapHeight > 0) face->capHeightUnits = os2->sCapHeight;
  else if (FT_Load_Char(ft, 'H', FT_LOAD_NO_SCALE) == 0) face->capHeightUnits = static_cast<double>(ft->glyph->metrics.horiBearingY);
  else face->capHeightUnits = ft->ascender * 0.7;
  FacesByFile()[key] = face;
  return face;
}

bool FamilyMatches(FcPattern* match, const char* family)
{
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
  {
    if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
  }
  return false;
}

// The regular upright face that fontconfig gives for family (any family when
// null). With exact set, only a face of that very family is accepted.
SWELL_Face* MatchFace(const char* family, bool exact)
{
  if (!FcInit()) return nullptr;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  if (family) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  SWELL_Face* face = nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  if ((!exact || !family || FamilyMatches(match, family)) &&
      FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
  {
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    face = OpenFace(reinterpret_cast<const char*>(file), index);
  }
  FcPatternDestroy(match);
  return face;
}

// Families that name a fixed-pitch face on some system; a request for one
// this machine lacks falls back to the monospace font, not the sans one.
bool IsKnownMonospace(const char* family)
{
  static const char* const kNames[] = {"monaco", "menlo", "courier", "courier new", "consolas",
                                       "lucida console", "andale mono", "monospace", "fixed",
                                       "lucida sans typewriter", "dejavu sans mono", "liberation mono"};
  for (const char* n : kNames)
  {
    if (strcasecmp(n, family) == 0) return true;
  }
  return false;
}

// The face for a requested family: a file added for it, else the family
// itself, else the monospace or sans ("label") font, else the default
// ("system") font. [text lock held]
SWELL_Face* FindFace(const char* family)
{
  auto added = AddedFaces().find(LowerCase(family));
  if (added != AddedFaces().end()) return added->second;
  auto& byFamily = FacesByFamily();
  auto it = byFamily.find(family);
  if (it != byFamily.end()) return it->second;
  SWELL_Face* face = family[0] ? MatchFace(family, true) : nullptr;
  if (!face) face = MatchFace(family[0] && IsKnownMonospace(family) ? "monospace" : "sans-serif", false);
  if (!face) face = MatchFace(nullptr, false);
  if (face) byFamily[family] = face;
  return face;
}

bool SetUpFont(SWELL_FontAttributes* attrs, const char* family, double pointSize)
{
  WDL_MutexLock lock(&swell_TextLock());
  SWELL_Face* face = FindFace(family);
  if (!face) return false;
  FT_Size size = nullptr;
  if (FT_New_Size(face->ft, &size) != 0) return false;
  FT_Activate_Size(size);
  if (FT_Set_Char_Size(face->ft, 0, static_cast<FT_F26Dot6>(std::lround(pointSize * 64.0)), 72, 72) != 0)
  {
    FT_Done_Size(size);
    return false;
  }
  attrs->face = face;
  attrs->size = size;
  attrs->pointSize = pointSize;
  return true;
}

// Face text as UTF-8, or byte for byte as ASCII (each byte above 0x7F as
// its Latin-1 character) when it is not valid UTF-8.
std::string FaceName(const char* face)
{
  if (!face) return std::string();
  std::string s(face);
  if (swell_DecodeUtf8(reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()), nullptr, nullptr))
    return s;
  std::string out;
  for (unsigned char c : s)
  {
    if (c < 0x80) out += static_cast<char>(c);
    else
    {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

} // namespace

// fontconfig keeps a few blocks of its parsed configuration unreachable for
// the life of the process; the leak checker of sanitizer builds is told so,
// for every program that uses fonts.
#if defined(__SANITIZE_ADDRESS__)
#define SWELL_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SWELL_LEAK_CHECKED 1
#endif
#endif
#ifdef SWELL_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libfontconfig.so\n";
}
#endif

WDL_Mutex& swell_TextLock()
{
  static WDL_Mutex s_lock;
  return s_lock;
}

bool SWELL_AddFontFile(const char* family, const char* path)
{
  if (!family || !*family || !path || !*path) return false;
  WDL_MutexLock lock(&swell_TextLock());
  SWELL_Face* face = OpenFace(path, 0);
  if (!face) return false;
  AddedFaces()[LowerCase(FaceName(family).c_str())] = face;
  return true;
}

bool swell_ActivateFont(const SWELL_FontAttributes& font)
{
  return font.face && font.size && FT_Activate_Size(font.size) == 0;
}

SWELL_FontMetrics swell_GetFontMetrics(const SWELL_FontAttributes& font)
{
  SWELL_FontMetrics m = {};
  if (!font.face) return m;
  const FT_Face ft = font.face->ft;
  const double scale = font.pointSize / ft->units_per_EM;
  m.ascender = ft->ascender * scale;
  m.descender = ft->descender * scale;
  m.capHeight = font.face->capHeightUnits * scale;
  m.lineHeight = ft->height * scale;
  m.underlinePosition = ft->underline_position * scale;
  m.underlineThickness = ft->underline_thickness * scale;
  return m;
}

void swell_FreeFontAttributes(SWELL_FontAttributes* attrs)
{
  if (!attrs->size) return;
  WDL_MutexLock lock(&swell_TextLock());
  FT_Done_Size(attrs->size);
  attrs->size = nullptr;
}

HGDIOBJ swell_SystemFont()
{
  static HGDIOBJ s_font = [] {
    HGDIOBJ f = swell_NewObject(kSwellTypeFont);
    if (f)
    {
      f->stock = true;
      if (!SetUpFont(&f->font, "", 10.0)) f->font.face = nullptr;
    }
    return f;
  }();
  return s_font;
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, char italic, char underline,
                 char strikeOut, char charSet, char outPrecision, char clipPrecision, char quality,
                 char pitchAndFamily, const char* face)
{
  (void)escapement;
  (void)strikeOut;
  (void)charSet;
  (void)outPrecision;
  (void)clipPrecision;
  (void)pitchAndFamily;
  HGDIOBJ font = swell_NewObject(kSwellTypeFont);
  if (!font) return nullptr;
  const int s = height ? height : width;
  font->rotation = orientation / 10;
  const double mag = std::fabs(static_cast<double>(s));
  const double pointSize = (mag < 2.0 || mag > 8192.0) ? 9.5 : mag * 0.95;
  if (!SetUpFont(&font->font, FaceName(face).c_str(), pointSize))
  {
    swell_ReleaseObject(font);
    return nullptr;
  }
  if (italic) font->font.obliqueness = 0.33;
  if (underline) font->font.underline = true;
  if (weight >= FW_BOLD) font->font.strokeWidth = pointSize < 15.0 ? -(pointSize * 0.55) : -8.25;
  font->quality = (quality == 0 || quality == 3 || quality == 4) ? quality : 0;
  return font;
}

HFONT CreateFontIndirect(const LOGFONT* lf)
{
  if (!lf) return nullptr;
  char face[sizeof(lf->lfFaceName) + 1];
  memcpy(face, lf->lfFaceName, sizeof(lf->lfFaceName));
  face[sizeof(lf->lfFaceName)] = 0;
  return CreateFont(lf->lfHeight, lf->lfWidth, lf->lfEscapement, lf->lfOrientation, lf->lfWeight, lf->lfItalic,
                    lf->lfUnderline, lf->lfStrikeOut, lf->lfCharSet, lf->lfOutPrecision, lf->lfClipPrecision,
                    lf->lfQuality, lf->lfPitchAndFamily, face);
}

bool GetTextMetrics(HDC ctx, TEXTMETRIC* tm)
{
  if (!tm) return false;
  tm->tmHeight = 16;
  tm->tmAscent = 12;
  tm->tmDescent = 4;
  tm->tmInternalLeading = 3;
  tm->tmAveCharWidth = 10;
  if (!swell_ContextUsable(ctx)) return false;
  HGDIOBJ font = swell_ContextFont(ctx);
  if (!font || !font->font.face) return true;
  SWELL_FontMetrics m;
  {
    WDL_MutexLock lock(&swell_TextLock());
    m = swell_GetFontMetrics(font->font);
  }
  const double asc = m.ascender, desc = m.descender, cap = m.capHeight;
  tm->tmAscent = static_cast<int>(asc + 0.5);
  tm->tmDescent = static_cast<int>(0.5 - desc);
  tm->tmHeight = tm->tmAscent + tm->tmDescent;
  const int leading = static_cast<int>(asc - cap + 0.5);
  tm->tmInternalLeading = leading > 0 ? leading : 0;
  tm->tmAveCharWidth = static_cast<int>(std::ceil(asc - desc) * 0.55);
  return true;
}
