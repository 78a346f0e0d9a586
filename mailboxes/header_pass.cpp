#include "mailboxes/header_pass.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mailboxes/dates.h"
#include "mailboxes/header_charset.h"
#include "mailboxes/thunderbird_writer.h"
#include "mailboxes/toc_reader.h"
#include "platform/encodings.h"
#include "text/recode.h"
#include "text/ascii.h"

namespace mailboxes {
namespace {

constexpr size_t kPiece = 64 * 1024;
// The first body line is only looked at (the caller reads it again): this much of it holds
// the pseudo-tag and the charset name.
constexpr size_t kBodyProbeBytes = 4096;
constexpr size_t kProbeLength = 8;
// A type prefix is taken only from Content-Type lines longer than this.
constexpr size_t kShortestTypedLine = 24;
constexpr size_t kTypePrefixLength = 12;
constexpr std::string_view kRelatedTag = "_Frln";
constexpr std::string_view kSignedTag = "_pkcs7";
constexpr std::string_view kRelatedType = "Content-Type: multipart/related";
// A table of contents holds a cut copy of a long subject: at most 59 bytes are read from a
// Mac entry, Windows Eudora keeps 63, and a UTF-8 character split by the cut is dropped. A
// subject of this length or more may be just the start of the real one.
constexpr size_t kMaybeCutTOCSubject = 56;
constexpr uint8_t kNormalPriority = 120;
constexpr unsigned kPriorityStep = 40;
constexpr int kHighestLabel = 5;

using text::EqualsNoCase;
using text::StartsWithNoCase;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads up to the next delimiter (taken) or the end of the input. Bytes are appended to line
// while it is shorter than limit; the rest is dropped. With watch set (0-255), stops as soon as
// a piece read holds that byte and sets seen. Returns false when nothing could be read.
bool ReadPieces(platform::ByteStream& input, char delimiter, std::string& line, size_t limit, int watch,
                bool& seen) {
  bool any = false;
  std::string dropped;
  for (;;) {
    const bool keep = line.size() < limit;
    std::string& into = keep ? line : dropped;
    const size_t max = keep ? std::min(limit - line.size(), kPiece) : kPiece;
    const size_t before = into.size();
    const uint64_t position = input.Tell();
    if (!input.ReadUntil(delimiter, into, max)) return any;
    any = true;
    const size_t got = into.size() - before;
    if (watch >= 0 && std::memchr(into.data() + before, watch, got) != nullptr) {
      seen = true;
      return true;
    }
    if (!keep) dropped.clear();
    const bool tookDelimiter = input.Tell() - position > got;
    if (tookDelimiter || got < max) return true;
  }
}

// What the header pass has gathered about one message.
struct HeaderState {
  std::string separatorDate;
  std::string dateText;        // the Date header's value, empty without one
  bool datePresent = false;    // a Date header that is written as it stands
  bool priorityHeader = false; // an X-Priority header was read
  std::string mimeVersion;     // held back, with its "\n"
  std::string contentType;     // the content-type block, lines with their "\n"
  std::string nested;          // the message's own type block under a multipart/related wrapper
  std::string nestedBoundary;  // its boundary
  bool signedType = false;     // multipart/signed
};

std::string RemoveLineBreaks(std::string_view line, bool withFollowingBlanks) {
  std::string out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\r' && line[i] != '\n') {
      out += line[i];
      continue;
    }
    if (withFollowingBlanks) {
      while (i + 1 < line.size() && (line[i + 1] == ' ' || line[i + 1] == '\t')) ++i;
    }
  }
  return out;
}

// Eudora lets the user edit subjects in the table of contents: a subject there that differs
// from the Subject header replaces it.
void CheckSubjectAgainstTOC(std::string& header, const TOCF_Message_Header& entry) {
  std::string toc = entry.subject;
  while (!toc.empty() && toc.back() == '\r') toc.pop_back();
  const size_t storedLength = toc.size();
  if (entry.utf8Subject) {
    text::RecodeString(toc, platform::kUTF8, platform::kMacRoman);
    toc = CutShortString(toc, false);
  }
  // A line break inside the stored subject would end the header line early.
  std::replace_if(toc.begin(), toc.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');

  std::string joined = RemoveLineBreaks(header, true);
  const std::string value = GetHeaderContent(joined);
  if (value == toc) {
    header = std::move(joined);
    return;
  }
  // A long subject is kept when the table holds only its start.
  if (storedLength >= kMaybeCutTOCSubject && !toc.empty() &&
      (value.starts_with(toc) || GetHeaderContent(RemoveLineBreaks(header, false)).starts_with(toc))) {
    return;
  }
  header = header.substr(0, std::strlen("Subject:")) + " " + toc;
}

// Mac Japanese: a byte of 0x81-0x9F or 0xE0-0xFC starts a two-byte character.
bool IsShiftJISLead(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The subject as a short string, cut before a character that would not fit whole.
std::string CutSubject(std::string_view subject, int32_t flavour) {
  if (subject.size() <= kShortStringMax) return std::string(subject);
  if (flavour == 2) {
    size_t end = 0;
    while (end < subject.size()) {
      const size_t width = IsShiftJISLead(subject[end]) ? 2 : 1;
      if (end + width > kShortStringMax) break;
      end += width;
    }
    return std::string(subject.substr(0, end));
  }
  // Mozilla mailboxes are mostly UTF-8; Eudora's own character sets have one byte a character.
  return CutShortString(subject, flavour == 3);
}

// "X-Priority: 1 (Highest)": a number in C notation (decimal, 0 octal, 0x hexadecimal) on
// the scale 1-5, which Eudora keeps as multiples of 40. A value that is no number changes
// nothing.
void ReadXPriority(const std::string& header, TOCF_Message_Header& entry) {
  const std::string value = GetHeaderContent(header);
  char* end = nullptr;
  const long long number = std::strtoll(value.c_str(), &end, 0);
  if (end == value.c_str()) return;
  entry.priority = static_cast<uint8_t>(static_cast<unsigned long long>(number) * kPriorityStep);
}

// "X-Mozilla-Status: 0001" and "X-Mozilla-Status2: 10000000": the header's word, then a
// hexadecimal number (0 when there is none).
void ReadMozillaStatus(const std::string& header, Frln_MessageInfo& info) {
  info.mozStatusSeen = true;
  const size_t wordEnd = std::find_if(header.begin(), header.end(), IsSpace) - header.begin();
  uint32_t bits = 0;
  if (wordEnd < header.size()) {
    const std::string rest = header.substr(wordEnd);
    char* end = nullptr;
    const unsigned long long value = std::strtoull(rest.c_str(), &end, 16);
    if (end != rest.c_str()) bits = static_cast<uint32_t>(value);
  }
  if (wordEnd == std::strlen("X-Mozilla-Status2:")) {
    info.mozAttachments = (bits & 0x10000000u) != 0 ? 0 : -1;
  } else if ((bits & 0x0008u) != 0) {
    info.mozDeleted = true;
  } else if ((bits & 0x1000u) != 0) {
    info.mozState = 8;  // forwarded
  } else if ((bits & 0x0002u) != 0) {
    info.mozState = 3;  // replied
  } else if ((bits & 0x0001u) != 0) {
    info.mozState = 9;  // read
  }
}

// A zone glued to the seconds ("12:34:56+0100") is taken apart; such a Date line is replaced
// by one written after the other header lines.
void CheckDate(std::string& header, HeaderState& state) {
  state.dateText = GetHeaderContent(header);
  state.datePresent = true;
  const std::string& date = state.dateText;
  const size_t colon = date.rfind(':');
  if (colon == std::string::npos || date.size() - colon <= 3) return;
  const char sign = date[colon + 3];
  if (sign != '+' && sign != '-') return;
  state.separatorDate = date;
  state.separatorDate.insert(colon + 3, 1, ' ');
  header.clear();
  state.datePresent = false;
}

// The boundary parameter of an unfolded Content-Type line. The '=' taken is the first one
// preceded by "boundary" (blanks allowed between), or else the last '=' of the line. A quoted
// value runs to its closing quote; an unquoted one to the first blank, tab or line break. Either
// is cut at its first ';'. end receives the position just after the value. An empty value is
// no boundary.
bool FindBoundary(std::string_view line, std::string& boundary, size_t& end) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  for (;;) {
    size_t name = equals;
    while (name > 0 && line[name - 1] == ' ') --name;
    if (name >= 8 && EqualsNoCase(line.substr(name - 8, 8), "boundary")) break;
    const size_t next = line.find('=', equals + 1);
    if (next == std::string_view::npos) break;
    equals = next;
  }
  size_t start = equals + 1;
  while (start < line.size() && line[start] == ' ') ++start;
  size_t stop;
  if (start < line.size() && line[start] == '"') {
    ++start;
    stop = line.find_first_of("\"\r\n", start);
  } else {
    stop = line.find_first_of(" \t\r\n", start);
  }
  if (stop == std::string_view::npos) stop = line.size();
  std::string_view value = line.substr(start, stop - start);
  value = value.substr(0, value.find(';'));
  if (value.empty()) return false;
  boundary.assign(value);
  end = start + value.size();
  return true;
}

// Eudora writes "text" without a subtype; multipart types lost their parts, which the
// conversion writes again, and application bodies are written back as Base64.
void TakeContentType(const std::string& header, HeaderState& state, Frln_MessageInfo& info, std::string& boundary,
                     bool relatedOnEntry) {
  std::string line = header;
  const std::string given = GetHeaderContent(line);
  if (StartsWithNoCase(given, "text;") || EqualsNoCase(given, "text")) line = "Content-Type: text/plain" + given.substr(4);
  state.contentType = line + "\n";
  state.nested.clear();
  state.nestedBoundary.clear();
  state.signedType = false;

  const std::string type = GetHeaderContent(line);
  const std::string_view prefix =
      line.size() > kShortestTypedLine ? std::string_view(type).substr(0, kTypePrefixLength) : std::string_view();
  info.isApplication = StartsWithNoCase(prefix, "application/");
  if (info.isApplication) state.contentType += "Content-Transfer-Encoding: base64\n";
  if (!StartsWithNoCase(prefix, "multipart/")) {
    info.isMultipart = false;
    return;
  }
  if (StartsWithNoCase(type, "multipart/digest")) {
    info.isDigest = true;
    return;
  }
  std::string found;
  size_t end = 0;
  if (!FindBoundary(line, found, end)) {
    // Without a boundary the type stays as it is, unwrapped, and the message is not multipart.
    info.isMultipart = false;
    return;
  }
  if (relatedOnEntry) {
    // The message becomes the first part of a multipart/related wrapper that takes the
    // parameters of its own type, with the boundary tagged so that the two differ.
    state.nested = state.contentType;
    state.nestedBoundary = found;
    const size_t semicolon = line.find(';');
    state.contentType = std::string(kRelatedType) +
                        (semicolon != std::string::npos ? line.substr(semicolon) : "; boundary=\"" + found + "\"") +
                        "\n";
    std::string again;
    size_t at = 0;
    if (FindBoundary(state.contentType, again, at) && again == found) {
      state.contentType.insert(at, kRelatedTag);
    } else if (const size_t first = state.contentType.find(found, kRelatedType.size()); first != std::string::npos) {
      state.contentType.insert(first + found.size(), kRelatedTag);
    }
    found += kRelatedTag;
  }
  state.signedType = StartsWithNoCase(type, "multipart/signed");
  info.isMultipart = true;
  boundary = found;
  if (StartsWithNoCase(type, "multipart/related")) info.isRelated = true;
}

// After conversion these no longer match the body, and mbox readers trust them.
bool IsDroppedHeader(std::string_view header) {
  return StartsWithNoCase(header, "Content-Length:") || StartsWithNoCase(header, "Lines:");
}

// "<x-charset windows-1252>": the second word, without its '>'.
std::string EudoraCharsetName(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsSpace(line[i])) ++i;
  while (i < line.size() && !IsSpace(line[i])) ++i;
  while (i < line.size() && IsSpace(line[i])) ++i;
  size_t j = i;
  while (j < line.size() && !IsSpace(line[j]) && j - i < kShortStringMax) ++j;
  std::string_view name = line.substr(i, j - i);
  return std::string(name.substr(0, name.find('>')));
}

// The charset that Eudora's "<!x-stuff-for-pete ... charset=...>" tag on an "<x-html>" line
// names, quoted for a header; empty when there is none (or it is not a usable name). The
// body of such a message is left in that charset, so the header must name it.
std::string PeteCharset(std::string_view line) {
  const size_t tag = line.find("<!x-stuff-for-pete", 8);
  if (tag == std::string_view::npos) return {};
  size_t at = line.find("charset=", tag);
  if (at == std::string_view::npos) return {};
  std::string_view value = line.substr(at + 8);
  if (!value.empty() && value[0] == '"') {
    value = value.substr(1);
    value = value.substr(0, value.find('"'));
  } else {
    value = value.substr(0, value.find(' '));
    value = value.substr(0, value.find('>'));
  }
  if (StartsWithNoCase(value, "iso-8859-1/macintosh")) value = "macintosh";
  if (value.empty() || value.size() > 64) return {};
  for (char c : value)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == ':')) return {};
  return "\"" + std::string(value) + "\"";
}

}  // namespace

std::string GetHeaderContent(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon != std::string_view::npos) line.remove_prefix(colon + 1);
  const size_t start = line.find_first_not_of(" \t\r\n");
  return start == std::string_view::npos ? std::string() : std::string(line.substr(start));
}

bool ReadLineBounded(platform::ByteStream& input, std::string& line, char& delimiter, bool& crlf,
                     bool fixedDelimiter, size_t limit) {
  line.clear();
  if (input.AtEnd()) return false;
  bool seen = false;
  if (!fixedDelimiter) {
    const uint64_t start = input.Tell();
    if (delimiter == '\r' || delimiter == '\n') {
      // The line ends at whichever line-end byte comes first; that byte becomes the delimiter.
      const char other = delimiter == '\r' ? '\n' : '\r';
      ReadPieces(input, delimiter, line, limit, static_cast<unsigned char>(other), seen);
      if (seen) {
        delimiter = other;
        input.Seek(start);
        line.clear();
        ReadPieces(input, delimiter, line, limit, -1, seen);
      }
    } else {
      ReadPieces(input, delimiter, line, limit, -1, seen);
    }
    crlf = delimiter == '\r' && input.Peek() == '\n';
    return true;
  }
  ReadPieces(input, delimiter, line, limit, -1, seen);
  if (crlf) {
    // A CR not followed by LF does not end a CR LF line.
    for (int next = input.Peek(); next >= 0 && next != '\n'; next = input.Peek())
      ReadPieces(input, delimiter, line, limit, -1, seen);
  }
  return true;
}

int64_t ProcessMessageHeaders(platform::ByteStream& input, platform::OutputStream& output, bool haveTOCEntry,
                              bool& crlf, std::string& fromText, std::string& toText, std::string& subjectText,
                              std::string& boundary, Frln_MessageInfo& info, int32_t target, int32_t flavour,
                              bool emlxOutput, char& delimiter, std::time_t now) {
  const uint64_t start = input.Tell();
  info.dateSynthesized = false;
  info.isHTML = false;
  info.isRichText = false;
  info.isMultipart = false;
  info.isApplication = false;
  info.isDigest = false;
  info.isSigned = false;
  info.recodeBody = true;
  info.mozStatusSeen = false;
  info.mozDeleted = false;
  info.mozState = 1;
  info.mozAttachments = -1;
  const bool relatedOnEntry = info.isRelated;
  // Eudora mailboxes keep one line end throughout; Mozilla ones are read line by line.
  const bool eudora = flavour != 3;

  auto skipLF = [&] {
    if (crlf && input.Peek() == '\n') input.Get();
  };
  auto readLine = [&](std::string& line) {
    return ReadLineBounded(input, line, delimiter, crlf, eudora, kMaxHeaderBytes);
  };

  HeaderState state;
  std::string separator;
  readLine(separator);
  skipLF();
  // "From ???@??? Tue Jan 01 12:34:56 2002": the date follows the first blank after the sender.
  if (const size_t blank = separator.find(' ', 5); blank != std::string::npos)
    state.separatorDate = separator.substr(blank + 1);
  if (target == 1 && !emlxOutput) {
    output.Write(separator);
    output.Write("\n");
  } else if (target == 2) {
    output.Write("From - ");
    output.Write(state.separatorDate);
    output.Write("\n");
  }

  std::string header;
  std::string piece;
  for (;;) {
    const uint64_t lineStart = input.Tell();
    if (!readLine(header)) break;
    // An empty line ends the header, unless a lone CR ended it in a CR LF mailbox.
    if (header.empty() && !(crlf && input.Peek() != '\n')) break;
    if (header.find(':') == std::string::npos) {
      // Not a header line: the body begins with it.
      input.Seek(lineStart);
      break;
    }
    bool loneCR = crlf && input.Peek() != '\n';
    skipLF();
    // Continuation lines are joined with "\n" and keep their leading white space.
    for (int next = input.Peek(); next >= 0 && (next == ' ' || next == '\t' || loneCR); next = input.Peek()) {
      if (!readLine(piece)) break;
      loneCR = crlf && input.Peek() != '\n';
      skipLF();
      if (header.size() < kMaxHeaderBytes) {
        header += '\n';
        header.append(piece, 0, kMaxHeaderBytes - header.size());
      }
    }

    if (StartsWithNoCase(header, "Subject:")) {
      if (haveTOCEntry) CheckSubjectAgainstTOC(header, info.tocEntry);
      info.subject = CutSubject(GetHeaderContent(header), flavour);
      subjectText = CleanUpHighBitChars(header, crlf, flavour);
    } else if (StartsWithNoCase(header, "From:")) {
      fromText = CleanUpHighBitChars(header, crlf, flavour);
    } else if (StartsWithNoCase(header, "To:")) {
      toText = CleanUpHighBitChars(header, crlf, flavour);
    } else if (StartsWithNoCase(header, "Cc:") || StartsWithNoCase(header, "Bcc:")) {
      CleanUpHighBitChars(header, crlf, flavour);
    } else if (StartsWithNoCase(header, "X-Priority:")) {
      state.priorityHeader = true;
      ReadXPriority(header, info.tocEntry);
    } else if (StartsWithNoCase(header, "X-Mozilla-St")) {
      if (!haveTOCEntry) ReadMozillaStatus(header, info);
    } else if (StartsWithNoCase(header, "Date:")) {
      CheckDate(header, state);
    }

    if (StartsWithNoCase(header, "MIME-Version")) {
      state.mimeVersion = header + "\n";
    } else if (eudora && StartsWithNoCase(header, "Content-Type")) {
      TakeContentType(header, state, info, boundary, relatedOnEntry);
    } else if (!header.empty() && !IsDroppedHeader(header)) {
      CleanUpHighBitChars(header, crlf, flavour);
      header += '\n';
      output.Write(header);
    }
  }
  skipLF();

  if (!haveTOCEntry) info.tocEntry.date = 0;
  if (CalculateDateAndTime(state.dateText, state.separatorDate, info.tocEntry.date, info.dateSent, info.dateKey, now))
    state.separatorDate = state.dateText;
  if (!state.datePresent) {
    output.Write("Date: " + state.separatorDate + "\n");
    info.dateSynthesized = true;
  }

  // Blank lines between the header and the body are dropped; the first other line is looked
  // at, and the caller reads it again.
  std::string first;
  uint64_t bodyStart = input.Tell();
  for (;;) {
    bodyStart = input.Tell();
    first.clear();
    if (!input.ReadUntil(delimiter, first, kBodyProbeBytes) || !first.empty()) break;
    skipLF();
  }

  std::string charsetName;
  if (eudora) {
    const std::string_view probe = std::string_view(first).substr(0, kProbeLength);
    if (StartsWithNoCase(probe, "<x-chars")) {
      charsetName = EudoraCharsetName(first);
    } else if (StartsWithNoCase(probe, "<x-html>") || StartsWithNoCase(probe, "<html>")) {
      info.isHTML = true;
      if (!info.isMultipart) {
        state.mimeVersion.clear();
        state.contentType = "Content-Type: text/html;\n";
        if (StartsWithNoCase(probe, "<x-html>")) charsetName = PeteCharset(first);
      }
    } else if (StartsWithNoCase(probe, "<x-rich>")) {
      info.isRichText = true;
      if (!info.isMultipart) {
        state.mimeVersion.clear();
        state.contentType = "Content-Type: text/enriched;\n";
      }
    }
  }
  // The body is recoded into this charset (unless Eudora named the one it is in).
  const std::string charset =
      !charsetName.empty() ? charsetName : flavour == 2 ? "\"ISO-2022-JP\"" : "\"ISO-8859-1\"";

  std::string& block = state.contentType;
  if (eudora && block.find("charset") == std::string::npos && !info.isDigest) {
    if (block.empty()) {
      block = "Content-Type: text/plain; charset=" + charset + "\n";
    } else if (!info.isMultipart && !info.isApplication) {
      block.pop_back();
      while (!block.empty() && (block.back() == ' ' || block.back() == '\t')) block.pop_back();
      if (block.empty() || block.back() != ';') block += ';';
      block += " charset=" + charset + "\n";
    }
    info.recodeBody = true;
  }

  if (eudora && info.isMultipart) {
    block += "\nThis is a multi-part message in MIME format.\n";
    if (state.signedType) {
      // The signed text and its attachments go into an inner multipart/mixed part, which the
      // body conversion closes at the signature.
      const std::string inner = boundary + std::string(kSignedTag);
      block += "\n--" + boundary + "\nContent-Type: multipart/mixed; boundary=\"" + inner + "\"\n";
      boundary = inner;
      info.isSigned = true;
    }
    // An HTML or enriched first body line gets its part header, delimiter included, from the
    // body conversion: a delimiter here would leave an empty first part, which a
    // multipart/related reader shows as the (blank) message.
    const bool plainFirst = !info.isHTML && !info.isRichText;
    const bool nested = !state.nested.empty();
    if (plainFirst || nested) block += "\n--" + boundary;
    if (nested) {
      block += "\n" + state.nested;
      if (plainFirst) block += "\n--" + state.nestedBoundary;
    }
    if (plainFirst) block += "\nContent-Type: text/plain; charset=" + charset + "\n";
  }

  input.Seek(bodyStart);
  if (target == 2) {
    uint32_t status = 0;
    uint32_t status2 = 0;
    if (haveTOCEntry) {
      status2 = static_cast<uint32_t>(std::clamp<int>(info.tocEntry.label, 0, kHighestLabel)) << 25;
      switch (info.tocEntry.state) {
        case 1: status = 0x0000; break;  // unread
        case 3: status = 0x0003; break;  // replied (and read)
        case 8: status = 0x1001; break;  // forwarded (and read)
        default: status = 0x0001; break; // read
      }
    }
    char lines[64];
    std::snprintf(lines, sizeof lines, "X-Mozilla-Status: %04X\nX-Mozilla-Status2: %08X\n", status, status2);
    output.Write(lines);
    // The driver overwrites the eight digits (and keeps their "\n") once it knows about attachments.
    info.status2Offset = static_cast<int64_t>(output.Position()) - 9;
    if (haveTOCEntry) output.Write(MozillaKeysLine(info.tocEntry.label));
  }
  if (info.tocEntry.priority != kNormalPriority && !state.priorityHeader) {
    char line[32];
    std::snprintf(line, sizeof line, "X-Priority: %u\n", info.tocEntry.priority / kPriorityStep);
    output.Write(line);
  }
  output.Write(state.mimeVersion);
  output.Write(block);
  output.Write("\n");

  info.priority = info.tocEntry.priority;
  return static_cast<int64_t>(input.Tell() - start);
}

}  // namespace mailboxes
