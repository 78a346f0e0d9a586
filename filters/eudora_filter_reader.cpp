#include "filters/eudora_filter_reader.h"

#include <optional>
#include <vector>

#include "text/ascii.h"
#include "text/recode.h"

namespace filters {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';

// Eudora's pseudo-headers are written between guillemets: bytes 0xC7 and 0xC8 in Mac
// Roman files, 0xAB and 0xBB in Windows Latin 1 files. The name inside, or nothing.
std::optional<std::string_view> PseudoHeaderName(std::string_view header) {
  if (header.size() < 2) return std::nullopt;
  const auto first = static_cast<unsigned char>(header.front());
  const auto last = static_cast<unsigned char>(header.back());
  if ((first == 0xC7 && last == 0xC8) || (first == 0xAB && last == 0xBB))
    return header.substr(1, header.size() - 2);
  return std::nullopt;
}

// One line up to CR (not kept); false when not a byte could be read. Bytes beyond
// kMaxFilterLineLength are read and dropped.
bool ReadFilterLine(platform::ByteStream& in, std::string& line) {
  line.clear();
  int c = in.Get();
  if (c < 0) return false;
  while (c >= 0 && c != kCR) {
    if (line.size() < kMaxFilterLineLength) line.push_back(static_cast<char>(c));
    c = in.Get();
  }
  return true;
}

bool IsEudoraAlertSound(std::string_view sound) {
  return sound == "Eudora Attention" || sound == "Eudora New Mail" || sound == "Eudora Short Warning";
}

}  // namespace

bool FilterFileUsesCRLF(platform::ByteStream& in) {
  in.Seek(0);
  int c;
  do c = in.Get();
  while (c >= 0 && c != kCR);
  const bool crlf = c == kCR && in.Peek() == kLF;
  in.Seek(0);
  return crlf;
}

platform::TextEncoding FilterHeaderEncoding(const FilterOptions& options) {
  if (options.crlf) return platform::kWindowsLatin1;
  return options.japanese ? platform::kMacJapanese : platform::kMacRoman;
}

platform::TextEncoding FilterTextEncoding(const FilterOptions& options) {
  if (options.japanese) return platform::kMacJapanese;
  return options.crlf ? platform::kWindowsLatin1 : platform::kMacRoman;
}

HeaderTranslation TranslateFilterHeader(std::string_view header, uint32_t systemVersion) {
  struct Plain {
    std::string_view eudora, apple;
  };
  static constexpr Plain kPlain[] = {
      {"To:", "To"}, {"Cc:", "Cc"}, {"From:", "From"}, {"Subject:", "Subject"}, {"Reply-To:", "Reply-To"}};
  for (const Plain& p : kPlain)
    if (header == p.eudora) return {std::string(p.apple)};
  if (header.empty()) return {"", false};
  if (std::optional<std::string_view> pseudo = PseudoHeaderName(header)) {
    if (*pseudo == "Any Recipient") return {"AnyRecipient"};
    if (*pseudo == "Body") return {"Body"};
    if (*pseudo == "Any Header") return {"To or From or Cc or Bcc or Subject or Date or Reply-To"};
    if (*pseudo == "Personality") {
      // Apple Mail tests the receiving account from 10.3 on.
      if (IsSystem103OrLater(systemVersion)) return {"Account", true, true};
      return {"", false};
    }
    if (*pseudo == "Junk Score" || *pseudo == "Label") return {"", false};
  }
  if (header.back() == ':') header.remove_suffix(1);
  return {std::string(header)};
}

VerbTranslation TranslateFilterVerb(std::string_view verb, bool negated) {
  struct Verb {
    std::string_view eudora, qualifier, negatedQualifier;
  };
  static constexpr Verb kVerbs[] = {
      {"contains", "", "DoesNotContain"},
      {"!contains", "DoesNotContain", ""},
      {"starts", "BeginsWith", "DoesNotContain"},
      {"ends", "EndsWith", "DoesNotContain"},
      {"is", "IsEqualTo", "DoesNotContain"},
      {"!is", "DoesNotContain", ""},
      {"intersectsFile", "SenderIsInAddressBook", "SenderIsNotInAddressBook"},
      {"disjointFile", "SenderIsNotInAddressBook", "SenderIsInAddressBook"},
  };
  for (const Verb& v : kVerbs)
    if (verb == v.eudora) return {std::string(negated ? v.negatedQualifier : v.qualifier)};
  // Tests of a nickname's appearance and regular expressions have no Apple Mail form.
  for (std::string_view unsupported : {"appears", "!appears", "intersects", "!intersects", "regex"})
    if (verb == unsupported) return {"", false};
  return {""};
}

std::string TranslateFilterLabel(std::string_view label, uint32_t systemVersion) {
  // Eudora's seven labels as the colours Apple Mail 10.3 shows for them, and as the nearest
  // of the lighter colours of earlier versions.
  static constexpr std::string_view kColours[7] = {"16680485", "14819865", "8674197", "14134016",
                                                   "3503295",  "9485826",  "6977676"};
  static constexpr std::string_view kOldColours[7] = {"15790335", "16768991", "15794160", "16777185",
                                                      "16772310", "16771327", "15461355"};
  if (label.size() == 1 && label[0] >= '1' && label[0] <= '7') {
    const size_t index = static_cast<size_t>(label[0] - '1');
    return std::string(IsSystem103OrLater(systemVersion) ? kColours[index] : kOldColours[index]);
  }
  return "3668479";
}

std::string FilterMailboxPath(std::string_view value, bool crlf, const MailboxDisplayName& displayName) {
  const char separator = crlf ? '\\' : ':';
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(separator, start);
    if (end == std::string_view::npos) end = value.size();
    // Mac paths start with ':' (relative to the mail folder); empty names are no folders.
    if (end > start) names.emplace_back(value.substr(start, end - start));
    start = end + 1;
  }
  std::string path;
  std::vector<std::string> fileNames;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string name = names[i];
    fileNames.push_back(names[i]);
    if (std::optional<std::string> shown = displayName ? displayName(fileNames) : std::nullopt) {
      name = std::move(*shown);
    } else if (i + 1 < names.size()) {
      for (std::string_view suffix : {".fol", ".FOL", ".sbd", ".SBD"}) name = text::TrimAffix(std::move(name), suffix);
    } else {
      name = text::TrimAffix(text::TrimAffix(std::move(name), ".mbx"), ".MBX");
    }
    if (i) path += '/';
    path += name;
  }
  return path;
}

std::string FilterTextToUTF8(std::string_view text, platform::TextEncoding encoding) {
  std::string bytes(text);
  // XML has no place for control characters other than tab and line feed (and the zero
  // byte would end the text for the recoding).
  for (char& c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\n') c = ' ';
  }
  std::string utf8 = text::MakeUTF8(bytes, encoding);
  if (!platform::IsValidUTF8(utf8)) utf8 = text::MakeUTF8(bytes, platform::kMacRoman);
  return utf8;
}

bool ReadEudoraFilter(platform::ByteStream& in, const FilterOptions& options, FilterRule& rule) {
  rule = FilterRule{};
  const platform::TextEncoding headerEncoding = FilterHeaderEncoding(options);
  const platform::TextEncoding textEncoding = FilterTextEncoding(options);
  bool started = false;
  bool accountLookupPending = false;
  std::string line;
  for (;;) {
    const uint64_t lineStart = in.Tell();
    if (!ReadFilterLine(in, line)) return false;
    if (options.crlf && in.Peek() == kLF) in.Get();
    const size_t blank = line.find(' ');
    const std::string_view keyword = std::string_view(line).substr(0, blank);
    const std::string_view value =
        blank == std::string::npos ? std::string_view() : std::string_view(line).substr(blank + 1);

    if (keyword == "rule") {
      // A "rule" line always starts a filter, named or not, so that no filter's criteria
      // or actions end up in another.
      if (started) {
        in.Seek(lineStart);
        return true;
      }
      started = true;
      rule.name = FilterTextToUTF8(value, textEncoding);
      continue;
    }
    if (!started) continue;

    // Header, verb and value lines after a conjunction describe the second criterion.
    const bool second = rule.anyCriterion || rule.allCriteria;
    FilterCriterion& criterion = second ? rule.second : rule.first;
    if (keyword == "header") {
      HeaderTranslation translation = TranslateFilterHeader(value, options.systemVersion);
      if (!translation.supported) criterion.usable = false;
      if (translation.account) accountLookupPending = true;
      criterion.header = FilterTextToUTF8(translation.header, headerEncoding);
    } else if (keyword == "verb") {
      VerbTranslation translation = TranslateFilterVerb(value, rule.negateSecond);
      if (!translation.supported) criterion.usable = false;
      criterion.qualifier = std::move(translation.qualifier);
    } else if (keyword == "value") {
      criterion.expression = FilterTextToUTF8(value, textEncoding);
      if (accountLookupPending && options.lookUpAccount) {
        if (std::optional<std::string> path = options.lookUpAccount(criterion.expression))
          criterion.expression = std::move(*path);
      }
      accountLookupPending = false;
    } else if (keyword == "sound") {
      // Eudora's own alert sounds are not on a Mac without Eudora.
      rule.sound = IsEudoraAlertSound(value) ? "Ping" : FilterTextToUTF8(value, textEncoding);
    } else if (keyword == "conjunction") {
      if (value == "or" || value == "ignore") rule.anyCriterion = true;
      if (value == "and" || value == "unless") rule.allCriteria = true;
      if (value == "unless") rule.negateSecond = true;
    } else if (keyword == "transfer" || keyword == "copy") {
      if (value == ":Trash" || value == "Trash.mbox") {
        rule.deleteMessage = true;
      } else {
        // The separators are replaced in UTF-8: in Shift-JIS a '\' byte can be half of a character.
        std::string path =
            FilterMailboxPath(FilterTextToUTF8(value, textEncoding), options.crlf, options.mailboxDisplayName);
        (keyword == "transfer" ? rule.transferMailbox : rule.copyMailbox) = std::move(path);
      }
    } else if (keyword == "forward") {
      rule.forwardRecipients = FilterTextToUTF8(value, textEncoding);
    } else if (keyword == "redirect") {
      rule.redirectRecipients = FilterTextToUTF8(value, textEncoding);
    } else if (keyword == "reply") {
      rule.reply = !value.empty();
    } else if (keyword == "label") {
      rule.colour = TranslateFilterLabel(value, options.systemVersion);
    } else if (keyword == "stop") {
      rule.stopRules = true;
    } else if (keyword == "status") {
      // Eudora's states "read" and "sent".
      if (value == "2" || value == "9") rule.markRead = true;
    } else if (keyword == "junk") {
      rule.moveToJunk = true;
    }
  }
}

void MergeSameTextCriteria(FilterRule& rule) {
  const FilterCriterion& a = rule.first;
  const FilterCriterion& b = rule.second;
  if (a.usable && b.usable && rule.anyCriterion && a.qualifier == b.qualifier && a.expression == b.expression &&
      a.header != "AnyRecipient" && b.header != "AnyRecipient") {
    rule.first.header += " or " + b.header;
    rule.anyCriterion = false;
  }
}

}  // namespace filters
