#include "setting_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "IPlugAU_FileProperties.h"

namespace cinderpath_cli {
namespace {

// Program and bank file layout: big-endian header words.
constexpr uint32_t kChunkMagic = 0x43636E4B;         // "CcnK"
constexpr uint32_t kProgramMagic = 0x4678436B;       // "FxCk", parameter form
constexpr uint32_t kProgramChunkMagic = 0x46504368;  // "FPCh", chunk form
constexpr uint32_t kBankMagic = 0x4678426B;          // "FxBk", parameter form
constexpr uint32_t kBankChunkMagic = 0x46424368;     // "FBCh", chunk form
constexpr size_t kProgramHeaderBytes = 56;           // up to the values or the chunk size
constexpr size_t kBankHeaderBytes = 156;

bool StartsWith(const std::string& bytes, size_t at, const char* text) {
  const size_t n = std::strlen(text);
  return bytes.size() >= at + n && bytes.compare(at, n, text) == 0;
}

// The big-endian word at byte at; the caller has checked that it is there.
uint32_t Word(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

// A four-character code as text, '?' for bytes that do not print.
std::string CodeText(uint32_t code) {
  char text[5] = {};
  for (int i = 0; i < 4; ++i) {
    const unsigned char c = static_cast<unsigned char>(code >> (24 - 8 * i));
    text[i] = (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  }
  return text;
}

std::string CutShort(const std::string& bytes, const std::string& why) {
  return "it is cut short at byte " + std::to_string(bytes.size()) + " (" + why + ")";
}

// The text after leading white space and Turtle or XML comments, up to n bytes.
std::string FirstWords(const std::string& bytes, size_t n) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (std::strchr(" \t\r\n", bytes[i])) {
      ++i;
    } else if (bytes[i] == '#') {  // a Turtle comment line
      while (i < bytes.size() && bytes[i] != '\n') ++i;
    } else {
      break;
    }
  }
  return bytes.substr(i, n);
}

// Why a parameter-form program record at byte at is refused; "" when it fits.
// which names it in the reason ("the program", "program 3 of 16").
std::string ProgramRecordRefusal(const std::string& bytes, size_t at, int nParams, const std::string& which) {
  const size_t end = at + kProgramHeaderBytes + 4 * static_cast<size_t>(nParams);
  const std::string ends =
      which + " ends at byte " + std::to_string(end) + " for " + std::to_string(nParams) + " parameters";
  if (bytes.size() < at + kProgramHeaderBytes) return CutShort(bytes, ends);
  if (Word(bytes, at) != kChunkMagic || Word(bytes, at + 8) != kProgramMagic)
    return which + " is not a program record";
  if (Word(bytes, at + 12) != 1) return which + " has format version " + std::to_string(Word(bytes, at + 12)) + ", not 1";
  const uint32_t count = Word(bytes, at + 24);
  if (count != static_cast<uint32_t>(nParams))
    return which + " holds " + std::to_string(count) + " parameters; this plug-in has " + std::to_string(nParams);
  if (bytes.size() < end) return CutShort(bytes, ends);
  return "";
}

}  // namespace

long MaxSettingFileBytes() { return kIPlugAUMaxFileBytes; }

bool ReadCappedFile(const std::string& path, const char* what, long maxBytes, std::string* bytes,
                    std::string* error) {
  const std::string named = std::string(what) + " '" + path + "'";
  // Without blocking: a pipe or a terminal named by mistake must not hang.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    *error = "cannot open " + named + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  bool ok = false;
  if (fstat(fd, &st) != 0) {
    *error = "cannot read " + named + ": " + std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    *error = named + " is a folder, not a file";
  } else if (!S_ISREG(st.st_mode)) {
    *error = named + " is not a regular file (a device, pipe or socket): it is not read";
  } else if (st.st_size > maxBytes) {
    *error = named + " is " + std::to_string(static_cast<long long>(st.st_size)) + " bytes, more than the " +
             std::to_string(maxBytes) + " bytes any such file holds: it is not read";
  } else {
    // Up to one byte past the cap, so that a file growing meanwhile is caught.
    bytes->assign(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    ok = true;
    while (ok) {
      if (done == bytes->size()) {
        if (done > static_cast<size_t>(maxBytes)) break;
        bytes->resize(done + 1);
      }
      const ssize_t n = read(fd, &(*bytes)[done], bytes->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *error = "cannot read " + named + ": " + std::strerror(errno);
        ok = false;
      } else if (n == 0) {
        break;
      }
      if (n > 0) done += static_cast<size_t>(n);
    }
    bytes->resize(done);
    if (ok && done > static_cast<size_t>(maxBytes)) {
      *error = named + " grew past " + std::to_string(maxBytes) + " bytes while it was read";
      ok = false;
    }
  }
  close(fd);
  if (!ok) bytes->clear();
  return ok;
}

std::string DescribeFileKind(const std::string& bytes) {
  if (StartsWith(bytes, 0, "CcnK") && bytes.size() >= 12) {
    const uint32_t magic = Word(bytes, 8);
    if (magic == kProgramMagic || magic == kProgramChunkMagic) return "a program file";
    if (magic == kBankMagic || magic == kBankChunkMagic) return "a bank file";
  }
  if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "WAVE")) return "an audio file (WAV)";
  if (StartsWith(bytes, 0, "RF64") || StartsWith(bytes, 0, "RIFX")) return "an audio file (WAV)";
  if (StartsWith(bytes, 0, "FORM") && (StartsWith(bytes, 8, "AIFF") || StartsWith(bytes, 8, "AIFC")))
    return "an audio file (AIFF)";
  if (StartsWith(bytes, 0, "fLaC")) return "an audio file (FLAC)";
  if (StartsWith(bytes, 0, "OggS")) return "an audio file (Ogg)";
  if (StartsWith(bytes, 0, "caff")) return "an audio file (CAF)";
  const std::string head = FirstWords(bytes, 4096);
  if (StartsWith(head, 0, "@prefix") || StartsWith(head, 0, "@base") || StartsWith(head, 0, "PREFIX") ||
      head.find("lv2:") != std::string::npos || head.find("pset:") != std::string::npos)
    return "an LV2 preset or state (Turtle text)";
  if (StartsWith(head, 0, "<?xml") || StartsWith(head, 0, "<plist") || StartsWith(head, 0, "<!DOCTYPE plist"))
    return "a state file";
  return "";
}

std::string OptionForFileKind(const std::string& bytes) {
  const std::string kind = DescribeFileKind(bytes);
  if (kind == "a program file") return "load it with --program";
  if (kind == "a bank file") return "load it with --bank";
  if (kind == "a state file") return "restore it with --state";
  if (kind.compare(0, 13, "an audio file") == 0) return "render it by naming it as an input file";
  if (!kind.empty()) return "an LV2 host loads it; this command does not";
  return "";
}

std::string StateFileMismatch(const std::string& bytes) {
  const std::string kind = DescribeFileKind(bytes);
  if (kind.empty() || kind == "a state file") return "";
  return "is " + kind + ", not a state file: " + OptionForFileKind(bytes);
}

std::string PluginFileRefusal(bool bank, const std::string& bytes, OSType pluginID, int nParams) {
  const std::string kind = bank ? "a bank file" : "a program file";
  if (bytes.size() < 12 || Word(bytes, 0) != kChunkMagic) {
    const std::string looks = DescribeFileKind(bytes);
    if (bytes.empty()) return "it is empty";
    if (looks.empty()) return "it is not a program or bank file";
    return "it is not a program or bank file but looks like " + looks + ": " + OptionForFileKind(bytes);
  }
  const uint32_t magic = Word(bytes, 8);
  const bool programMagic = magic == kProgramMagic || magic == kProgramChunkMagic;
  const bool bankMagic = magic == kBankMagic || magic == kBankChunkMagic;
  if (!programMagic && !bankMagic)
    return "it is not a program or bank file (its kind '" + CodeText(magic) + "' is neither)";
  if (bank && programMagic) return "it is a program file, not a bank: load it with --program";
  if (!bank && bankMagic) return "it is a bank file, not a program: load it with --bank";

  const size_t header = bank ? kBankHeaderBytes : kProgramHeaderBytes;
  const std::string headerEnds = "the header of " + kind + " is " + std::to_string(header) + " bytes";
  if (bytes.size() < 20) return CutShort(bytes, headerEnds);
  const uint32_t id = Word(bytes, 16);
  if (id != pluginID)
    return "it belongs to another plug-in: the file is for '" + CodeText(id) + "', this plug-in is '" +
           CodeText(pluginID) + "'";
  if (!bank && Word(bytes, 12) != 1)
    return "its format version is " + std::to_string(Word(bytes, 12)) + "; program files have version 1";
  if (bytes.size() < header) return CutShort(bytes, headerEnds);

  if (!bank && magic == kProgramMagic) {
    const std::string why = ProgramRecordRefusal(bytes, 0, nParams, "the program");
    if (!why.empty()) return why;
  } else if (bank && magic == kBankMagic) {
    const uint32_t nPrograms = Word(bytes, 24);
    const size_t record = kProgramHeaderBytes + 4 * static_cast<size_t>(nParams);
    for (uint32_t r = 0; r < nPrograms; ++r) {
      const std::string why = ProgramRecordRefusal(bytes, kBankHeaderBytes + r * record, nParams,
                                                   "program " + std::to_string(r + 1) + " of " +
                                                       std::to_string(nPrograms));
      if (!why.empty()) return why;
    }
  } else {
    // Chunk forms: a size word, then the chunk the plug-in reads whole.
    if (!bank && Word(bytes, 24) != static_cast<uint32_t>(nParams))
      return "it holds " + std::to_string(Word(bytes, 24)) + " parameters; this plug-in has " + std::to_string(nParams);
    if (bytes.size() < header + 4) return CutShort(bytes, "the chunk size follows the header at byte " + std::to_string(header));
    const size_t end = header + 4 + Word(bytes, header);
    if (bytes.size() < end) return CutShort(bytes, "its state chunk ends at byte " + std::to_string(end));
    return "the plug-in could not read the state chunk it holds";
  }
  return "the plug-in refused it";
}

}  // namespace cinderpath_cli
