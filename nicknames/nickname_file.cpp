#include "nicknames/nickname_file.h"

#include <unordered_map>
#include <vector>

#include "nicknames/nickname_lines.h"
#include "text/ascii.h"
#include "text/recode.h"

namespace nicknames {

namespace {

struct Line {
  size_t start;
  size_t length;
};

// Lines end at a CR. In a CR LF file the LF after a CR is stepped over; a line end that is
// a bare CR all the same (files edited on a Mac after Windows) keeps the next line whole.
std::vector<Line> SplitLines(std::string_view bytes, bool crlf) {
  std::vector<Line> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t cr = bytes.find('\r', at);
    if (cr == std::string_view::npos) {
      lines.push_back({at, bytes.size() - at});
      break;
    }
    lines.push_back({at, cr - at});
    at = cr + 1;
    if (crlf && at < bytes.size() && bytes[at] == '\n') ++at;
  }
  return lines;
}

}  // namespace

bool NicknameFileUsesCRLF(std::string_view bytes) {
  size_t cr = bytes.find('\r');
  return cr != std::string_view::npos && cr + 1 < bytes.size() && bytes[cr + 1] == '\n';
}

platform::TextEncoding NicknameSourceEncoding(int32_t flavour, bool crlf) {
  if (flavour == 2) return platform::kMacJapanese;
  return crlf ? platform::kWindowsLatin1 : platform::kMacRoman;
}

NicknameFileCounts ConvertNicknameFile(std::string_view bytes, platform::TextEncoding encoding,
                                       NicknameTarget& target, const NicknameFileHooks& hooks) {
  auto log = [&hooks](const std::string& text) {
    if (hooks.log) hooks.log(text);
  };
  auto cancelled = [&hooks]() { return hooks.cancelled && hooks.cancelled(); };

  const std::vector<Line> lines = SplitLines(bytes, NicknameFileUsesCRLF(bytes));
  auto lineAt = [&](size_t index) { return bytes.substr(lines[index].start, lines[index].length); };

  // Every nickname is paired with the first line of the other kind for the same nickname:
  // when that line lies before it, the nickname was converted when that line was met. The
  // first alias and note line of each nickname are found once for the whole file.
  int32_t lineCount = 0;
  std::vector<std::string> nicknameOf(lines.size());
  std::vector<bool> quotedOf(lines.size());
  std::unordered_map<std::string, size_t> firstAlias, firstNote;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lineAt(i);
    if (text::StartsWith(line, "alias") || text::StartsWith(line, "note")) ++lineCount;
    bool quoted = false;
    nicknameOf[i] = GetNickName(line, quoted);
    quotedOf[i] = quoted;
    if (nicknameOf[i].empty()) continue;
    (text::StartsWith(line, "alias ") ? firstAlias : firstNote).emplace(nicknameOf[i], i);
  }
  constexpr size_t kNone = SIZE_MAX;

  NicknameFileCounts counts;
  for (int pass = 1; pass <= 2; ++pass) {
    if (pass == 2) target.FirstPassDone();
    if (hooks.passStarted) hooks.passStarted(pass, lineCount);
    int32_t consumed = 0;
    // The pass visits every nickname line once, to the end of the file. (Counting consumed
    // lines against the file's total is no end condition: a nickname on two alias lines
    // consumes its note line twice, and the nicknames after it would be lost.)
    for (size_t current = 0; current < lines.size() && !cancelled(); ++current) {
      if (nicknameOf[current].empty()) continue;
      NicknameEntry entry;
      entry.nickname = nicknameOf[current];
      entry.quoted = quotedOf[current];
      const bool isAlias = text::StartsWith(lineAt(current), "alias ");
      const auto& partners = isAlias ? firstNote : firstAlias;
      auto partner = partners.find(entry.nickname);
      const bool alreadyHandled = partner != partners.end() && partner->second < current;
      size_t aliasLine = isAlias ? current : kNone;
      size_t noteLine = isAlias ? kNone : current;
      if (!alreadyHandled && partner != partners.end()) (isAlias ? noteLine : aliasLine) = partner->second;

      if (aliasLine != kNone && !alreadyHandled) {
        entry.quoted = quotedOf[aliasLine];
        ReadAliasLine(lineAt(aliasLine), entry);
        ++consumed;
      }
      if (noteLine != kNone && !alreadyHandled) {
        ++consumed;
        // A list's note line is never read.
        if (pass == 1 && !entry.isList) {
          entry.quoted = quotedOf[noteLine];
          ReadNoteLine(lineAt(noteLine), entry, [&]() {
            log("\"" + text::MakeUTF8(entry.nickname, encoding) + "\" labeled as \"do not sync\" - ignoring\n");
          });
        }
      }
      bool skip = entry.doNotSync;
      if (!entry.hasAddress && !entry.hasData) {
        skip = true;
        if (pass == 1 && !alreadyHandled)
          log("\"" + text::MakeUTF8(entry.nickname, encoding) + "\" contains no data - ignoring\n");
      }
      const bool belongsToPass = pass == 1 ? !entry.isList : entry.isList;
      if (!skip && belongsToPass) {
        if (hooks.converting) hooks.converting(text::MakeUTF8(entry.nickname, encoding));
        if (pass == 1) {
          ++counts.nicknames;
          if (entry.first.empty() && entry.last.empty()) {
            const std::string& full = !entry.name.empty()          ? entry.name
                                      : !entry.displayName.empty() ? entry.displayName
                                                                   : entry.nickname;
            ParseName(full, entry.first, entry.last);
          }
          target.AddPerson(entry);
        } else {
          ++counts.groups;
          target.AddList(entry);
        }
      }
      if (hooks.progress) hooks.progress(consumed);
    }
  }
  return counts;
}

}  // namespace nicknames
