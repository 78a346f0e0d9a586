// The conversion of one nickname file, independent of where it goes: the file's bytes are
// read in two passes, single nicknames first and mailing lists second, and every nickname
// is handed to a target once it is assembled from its alias line and its note line, which
// may stand anywhere in the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "nicknames/nickname_entry.h"
#include "platform/encodings.h"

namespace nicknames {

// Where the nicknames go: the Address Book or a Thunderbird address book.
class NicknameTarget {
 public:
  virtual ~NicknameTarget() = default;
  // A single nickname, in the first pass; first and last are filled in already.
  virtual void AddPerson(const NicknameEntry& entry) = 0;
  // A mailing list, in the second pass.
  virtual void AddList(const NicknameEntry& entry) = 0;
  // Called between the two passes.
  virtual void FirstPassDone() {}
};

// What the run shows and checks while a file converts. Every member may be empty.
struct NicknameFileHooks {
  std::function<void(const std::string&)> log;  // a complete log text (UTF-8)
  std::function<bool()> cancelled;
  // A pass begins: its number (1 or 2) and the number of nickname lines in the file.
  std::function<void(int pass, int32_t lineCount)> passStarted;
  // A nickname of this pass is about to be converted; its name in UTF-8.
  std::function<void(const std::string&)> converting;
  // After each nickname: nickname lines consumed so far in this pass.
  std::function<void(int32_t consumed)> progress;
};

struct NicknameFileCounts {
  int32_t nicknames = 0;
  int32_t groups = 0;
};

// True when the file's first line (up to the first CR) is followed by an LF.
bool NicknameFileUsesCRLF(std::string_view bytes);

// The encoding of a nickname file's text: Mac Japanese for the Japanese flavour, else
// Windows Latin 1 for CR LF files and Mac Roman for the others.
platform::TextEncoding NicknameSourceEncoding(int32_t flavour, bool crlf);

// Converts the nicknames of bytes (a whole nickname file) into target and returns how many
// single nicknames and mailing lists were handed over. encoding is the file's source
// encoding (for the texts shown and logged).
NicknameFileCounts ConvertNicknameFile(std::string_view bytes, platform::TextEncoding encoding,
                                       NicknameTarget& target, const NicknameFileHooks& hooks);

}  // namespace nicknames
