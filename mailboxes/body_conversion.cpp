#include "mailboxes/body_conversion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "mailboxes/message_separator.h"
#include "mailboxes/toc_reader.h"
#include "platform/encodings.h"
#include "text/recode.h"
#include "text/ascii.h"

namespace mailboxes {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kPeteTag = "<!x-stuff-for-pete";
constexpr std::string_view kSignedTag = "_pkcs7";
constexpr std::string_view kRelatedTag = "_Frln";

unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

size_t FindI(std::string_view s, std::string_view literal, size_t from) {
  if (from > s.size() || s.size() - from < literal.size()) return npos;
  if (literal.empty()) return from;
  const unsigned char lower = Lower(static_cast<unsigned char>(literal[0]));
  const unsigned char upper = lower >= 'a' && lower <= 'z' ? static_cast<unsigned char>(lower - 32) : lower;
  const size_t last = s.size() - literal.size();
  for (size_t i = from; i <= last; ++i) {
    if (lower == upper) {
      const void* hit = std::memchr(s.data() + i, lower, last - i + 1);
      if (hit == nullptr) return npos;
      i = static_cast<size_t>(static_cast<const char*>(hit) - s.data());
    } else {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      if (c != lower && c != upper) continue;
    }
    if (text::EqualsNoCase(s.substr(i, literal.size()), literal)) return i;
  }
  return npos;
}

// A charset value as Eudora's tags give it, starting at pos (just after "charset="):
// quoted, up to the closing quote; otherwise up to the first CR, blank or '>'.
std::string_view CharsetValueAt(std::string_view line, size_t pos) {
  std::string_view rest = line.substr(std::min(pos, line.size()));
  if (!rest.empty() && rest[0] == '"') {
    rest.remove_prefix(1);
    return rest.substr(0, rest.find('"'));
  }
  rest = rest.substr(0, rest.find('\r'));
  rest = rest.substr(0, rest.find(' '));
  return rest.substr(0, rest.find('>'));
}

// The value after the first "charset=" at or after from; empty when there is none.
std::string_view CharsetAfter(std::string_view line, size_t from) {
  const size_t at = FindI(line, "charset=", from);
  return at == npos ? std::string_view() : CharsetValueAt(line, at + 8);
}

// Names that can stand in a header's charset parameter as they are. Anything else in a
// tag (quotes, blanks, control bytes, an endless value) would break the part header.
bool UsableCharsetName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && c != '"' && c != '\\' && c != ';';
  });
}

// Eudora labels the Mac text it converted for display "iso-8859-1/macintosh": its bytes
// are Mac Roman.
std::string_view MimeCharsetName(std::string_view eudoraName) {
  return text::StartsWithNoCase(eudoraName, "iso-8859-1/macintosh") ? std::string_view("macintosh") : eudoraName;
}

// Mac Roman and Windows Latin 1 map byte for byte onto ISO Latin 1 (a character ISO Latin
// 1 lacks becomes a blank), so their recoding is a table built once from the general
// recoder, which keeps the two in agreement.
using ByteTable = std::array<char, 256>;

ByteTable BuildLatin1Table(platform::TextEncoding from) {
  ByteTable table{};
  for (int b = 1; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    text::RecodeString(one, from, platform::kISOLatin1);
    table[static_cast<size_t>(b)] = one.size() == 1 ? one[0] : ' ';
  }
  return table;
}

const ByteTable& Latin1Table(bool windows) {
  static const ByteTable mac = BuildLatin1Table(platform::kMacRoman);
  static const ByteTable win = BuildLatin1Table(platform::kWindowsLatin1);
  return windows ? win : mac;
}

platform::TextEncoding SourceEncoding(const BodyContext& context) {
  if (context.flavour == 2) return platform::kMacJapanese;
  return context.crlf ? platform::kWindowsLatin1 : platform::kMacRoman;
}

// Recodes a line that holds bytes of 0x80 or more into the charset the body declares.
void RecodeLine(std::string& line, const BodyContext& context) {
  if (context.flavour == 2) {
    text::RecodeString(line, platform::kMacJapanese, platform::kISO2022JP);
    return;
  }
  const ByteTable& table = Latin1Table(context.crlf);
  for (char& c : line) c = table[static_cast<unsigned char>(c)];
}

// The charset of text that is written as the source holds it.
std::string_view UnrecodedCharset(const BodyState& state, const BodyContext& context) {
  const std::string_view eudora = MimeCharsetName(state.eudoraCharset);
  if (UsableCharsetName(eudora)) return eudora;
  if (UsableCharsetName(state.namedCharset)) return state.namedCharset;
  if (context.flavour == 2) return "Shift_JIS";
  return context.crlf ? "windows-1252" : "macintosh";
}

enum class PartHeader { kNone, kHTML, kEnriched };

void WritePartHeader(PartHeader kind, bool recoded, const BodyState& state, const BodyContext& context,
                     platform::OutputStream& out) {
  std::string_view charset;
  if (recoded)
    charset = context.flavour == 2 ? "ISO-2022-JP" : "ISO-8859-1";
  else
    charset = UnrecodedCharset(state, context);
  out.Write("--");
  out.Write(state.boundary);
  out.Write(kind == PartHeader::kHTML ? "\nContent-Type: text/html;charset=\"" : "\nContent-Type: text/enriched;charset=\"");
  out.Write(charset);
  out.Write("\"\n\n");
}

// Pseudo-tags at the start of a line: they open and close HTML and enriched parts and the
// stretches of text that are in a charset of their own. Returns how many leading bytes of
// the line are not written.
size_t HandlePseudoTag(std::string_view line, BodyState& state, const Frln_MessageInfo& info, PartHeader& header) {
  size_t strip = 0;
  if (text::StartsWithNoCase(line, "<x-html>")) {
    strip = 8;
    if (info.isMultipart && !state.inHTMLPart) {
      header = PartHeader::kHTML;
      state.inHTMLPart = true;
    }
  } else if (text::StartsWithNoCase(line, "<html>")) {
    if (info.isMultipart && !state.inHTMLPart) {
      header = PartHeader::kHTML;
      state.inHTMLPart = true;
    }
  } else if (text::StartsWithNoCase(line, "<x-rich>")) {
    strip = 8;
    if (info.isMultipart) {
      header = PartHeader::kEnriched;
      state.inHTMLPart = false;
    }
  } else if (text::StartsWithNoCase(line, "<x-charset")) {
    state.insideCharset = true;
  } else if (text::StartsWithNoCase(line, "</x-charset")) {
    state.insideCharset = false;
  } else if (text::StartsWithNoCase(line, "<x-flowed is") || text::StartsWithNoCase(line, "<x-flowed ut")) {
    state.insideFlowed = true;
  } else if (text::StartsWithNoCase(line, "</x-flowed")) {
    state.insideFlowed = false;
  } else if (text::StartsWithNoCase(line, "</x-html") || text::StartsWithNoCase(line, "</html>")) {
    state.inHTMLPart = false;
  }
  if (strip == 0) {
    static constexpr std::string_view kDropped[] = {"<x-charset", "</x-charset", "</x-html", "</x-rich",
                                                    "<x-flowed",  "</x-flowed",  "<nofill", "</nofill"};
    for (std::string_view tag : kDropped) {
      if (!text::StartsWithNoCase(line, tag)) continue;
      const size_t close = line.find('>');
      strip = close == npos ? 0 : close + 1;  // a tag without '>' is written whole
      break;
    }
  }
  return strip;
}

// Mozilla sources: the attachments of a message are counted from its part headers, the two
// halves of an AppleDouble attachment as one.
void CountMozillaAttachments(std::string_view line, BodyState& state, Frln_MessageInfo& info) {
  int delta = 0;
  if (line.size() >= 21 && (text::StartsWithNoCase(line, "Content-Disposition:") || text::StartsWithNoCase(line, "Content-ID:")))
    delta = 1;
  else if (line.size() >= 36 && text::StartsWithNoCase(line, "Content-Type: multipart/appledouble;"))
    delta = -1;
  else
    return;
  if (!state.mozCountingDecided) {
    // A status header that said "no attachments" is believed; otherwise parts are counted.
    state.mozCountingDecided = true;
    state.mozCounting = !info.mozStatusSeen || info.mozAttachments >= 0;
    state.mozBase = info.mozStatusSeen ? info.mozAttachments : 0;
  }
  if (!state.mozCounting) return;
  // The AppleDouble wrapper comes before the two parts it holds: the running count may dip
  // below zero for a moment, which must not stop the counting.
  if (state.mozRunning > -1000000000 && state.mozRunning < 1000000000) state.mozRunning += delta;
  info.mozStatusSeen = true;
  info.mozAttachments = std::max<int32_t>(0, state.mozBase + state.mozRunning);
}

enum class SkippedLine { kEmpty, kText, kEnd, kSeparator };

// Reads one line of a part header and drops it (read as the driver reads Eudora lines: in
// a CR LF file a CR without its LF does not end the line). The line is read in pieces, so
// a huge line costs no memory. A line that starts the next message is not taken: the input
// is left on it.
SkippedLine SkipHeaderLine(platform::ByteStream& input, const BodyContext& context, int64_t& consumedBytes) {
  constexpr size_t kPiece = 64 * 1024;
  constexpr size_t kHeadMax = 512;  // longer than any separator line
  const uint64_t start = input.Tell();
  if (input.AtEnd()) return SkippedLine::kEnd;
  std::string head;
  std::string piece;
  uint64_t length = 0;
  for (;;) {
    const uint64_t before = input.Tell();
    piece.clear();
    if (!input.ReadUntil(context.delimiter, piece, kPiece)) break;
    length += piece.size();
    if (head.size() < kHeadMax) head.append(piece, 0, std::min(piece.size(), kHeadMax - head.size()));
    const bool tookDelimiter = input.Tell() - before > piece.size();
    if (!tookDelimiter) {
      if (piece.size() < kPiece) break;  // the end of the input
      continue;
    }
    if (!context.crlf) break;
    const int next = input.Peek();
    if (next < 0 || next == '\n') break;
  }
  if (context.crlf && input.Peek() == '\n') input.Get();
  if (length < kHeadMax && text::StartsWithNoCase(head, "From ")) {
    const uint64_t after = input.Tell();
    std::string following;
    input.Read(following, kSeparatorLookahead);
    input.Seek(after);
    if (IsNewMessageStart(head, false, following)) {
      input.Seek(start);
      return SkippedLine::kSeparator;
    }
  }
  consumedBytes += static_cast<int64_t>(input.Tell() - start);
  return length == 0 ? SkippedLine::kEmpty : SkippedLine::kText;
}

// A part header Eudora left in the text for a part it did not keep there: its lines are
// dropped up to the empty line that ends it, which takes the place of the line.
void SkipPartHeader(std::string& line, platform::ByteStream& input, const BodyContext& context,
                    int64_t& consumedBytes) {
  for (;;) {
    const SkippedLine skipped = SkipHeaderLine(input, context, consumedBytes);
    if (skipped != SkippedLine::kText) break;
  }
  line.clear();
}

// A text part's header left in the text opens a part of the converted message.
void BeginTextPart(std::string& line, BodyState& state, Frln_MessageInfo& info, platform::OutputStream& out) {
  out.Write("--");
  out.Write(state.boundary);
  out.Write("\n");
  if (line.size() < 23) {
    state.inHTMLPart = false;
    return;
  }
  state.inHTMLPart = text::EqualsNoCase(std::string_view(line).substr(14, 9), "text/html");
  constexpr std::string_view kMacCharset = "charset=\"iso-8859-1/macintosh\"";
  size_t at;
  if (FindI(line, "charset", 0) == npos) {
    // No charset: the text is recoded, and says so. The added LF ends the part header.
    if (line.back() == ';') line.pop_back();
    line += "; charset=\"ISO-8859-1\"\n";
    info.recodeBody = true;
    state.namedCharset.clear();
  } else if ((at = FindI(line, kMacCharset, 0)) != npos) {
    line.replace(at, kMacCharset.size(), "charset=\"macintosh\"");
    info.recodeBody = false;
    state.namedCharset = "macintosh";
  } else {
    info.recodeBody = false;
    state.namedCharset = CutShortString(CharsetAfter(line, 0), false);
  }
}

bool IsAttachmentLine(std::string_view line) {
  return text::StartsWithNoCase(line, "Attachment converted: ") || text::StartsWithNoCase(line, "Annexe convertie: ") ||
         text::StartsWithNoCase(line, "Anlage konvertiert: ");
}

// An attachment line: the saved file goes back into the message. Returns how many bytes of
// the line are not written.
size_t ConvertAttachmentLine(const std::string& line, BodyState& state, Frln_MessageInfo& info,
                             std::string& messageBoundary, const BodyContext& context, platform::OutputStream& out) {
  const bool signature = line.find(".p7s (") != npos;
  if (signature && info.isSigned && state.boundary.ends_with(kSignedTag)) {
    // The signature of a signed message follows the signed content, which is closed here.
    out.Write("\n--");
    out.Write(state.boundary);
    out.Write("--\n\n");
    state.boundary.resize(state.boundary.size() - kSignedTag.size());
    if (messageBoundary.ends_with(kSignedTag)) messageBoundary.resize(messageBoundary.size() - kSignedTag.size());
    info.isSigned = false;
  }
  if (!context.convertAttachment) return 0;
  // The file's path is read in UTF-8. Should no name come out of it, the line is written
  // from its own bytes, recoded like every other line of its part.
  std::string path = line;
  std::erase(path, '\0');
  text::RecodeString(path, SourceEncoding(context), platform::kUTF8);
  if (!context.convertAttachment(out, path, state.boundary, info.isApplication)) return 0;
  if (!signature) ++state.attachmentCount;
  return line.size();
}

// An HTML META line naming the charset the text is in: text already in the charset the
// "<!x-stuff-for-pete" tag named is not recoded again.
void CheckMetaCharset(std::string_view line, BodyState& state, Frln_MessageInfo& info) {
  const size_t upper = line.find("<META");
  const size_t lower = line.find("<meta");
  const size_t meta = std::min(upper, lower);
  const size_t at = meta == npos ? npos : FindI(line, "charset=", meta);
  if (at == npos) {
    info.recodeBody = state.eudoraCharset.empty();
    return;
  }
  std::string_view value = line.substr(at + 8);
  value = value.substr(0, value.find('"'));
  state.metaCharset = CutShortString(value, false);
  if (state.metaCharset.size() == state.eudoraCharset.size())
    info.recodeBody = !text::EqualsNoCase(state.metaCharset, state.eudoraCharset);
}

}  // namespace

void BodyState::Reset(const std::string& messageBoundary) {
  inHTMLPart = false;
  insideCharset = false;
  insideFlowed = false;
  std::string_view b = messageBoundary;
  if (b.ends_with(kRelatedTag)) b.remove_suffix(kRelatedTag.size());
  boundary.assign(b);
  eudoraCharset.clear();
  metaCharset.clear();
  namedCharset.clear();
  attachmentCount = 0;
  mozCountingDecided = false;
  mozCounting = false;
  mozBase = 0;
  mozRunning = 0;
}

void ConvertBodyLine(std::string& line, BodyState& state, Frln_MessageInfo& info, std::string& messageBoundary,
                     const BodyContext& context, platform::ByteStream& input, int64_t& consumedBytes,
                     platform::OutputStream& out) {
  const bool eudora = context.flavour == 1 || context.flavour == 2;
  const unsigned char first = line.empty() ? 0 : static_cast<unsigned char>(line[0]);
  size_t strip = 0;
  PartHeader header = PartHeader::kNone;

  if (eudora && first == '<') strip = HandlePseudoTag(line, state, info, header);

  if (context.flavour == 3 && (first == 'C' || first == 'c')) CountMozillaAttachments(line, state, info);

  // Part headers and attachment lines outside HTML text, in messages that have parts.
  if (eudora && (info.isMultipart || info.isApplication) && !state.inHTMLPart) {
    bool handled = false;
    if ((first == 'C' || first == 'c') && text::StartsWithNoCase(line, "Content-Type")) {
      if (!text::StartsWithNoCase(line, "Content-Type: text/")) {
        SkipPartHeader(line, input, context, consumedBytes);
        handled = true;
      } else if (context.flavour == 1 && info.isMultipart && !info.isDigest) {
        BeginTextPart(line, state, info, out);
        handled = true;
      }
    }
    if (!handled && context.flavour == 2 &&
        (text::StartsWithNoCase(line, "Content-Type: application/") || text::StartsWithNoCase(line, "Content-Disposition:"))) {
      strip = line.size();
      handled = true;
    }
    if (!handled && (first == 'A' || first == 'a') && IsAttachmentLine(line)) {
      strip = ConvertAttachmentLine(line, state, info, messageBoundary, context, out);
      handled = true;
    }
    if (!handled && context.embeddedContent && context.embeddedContent(out, line, state, messageBoundary))
      strip = line.size();
  }

  if (eudora && info.isMultipart && context.contentIds && context.contentIds(line, state, info)) {
    line.clear();  // the message is converted again from its start
    return;
  }

  if (eudora && strip < line.size()) {
    const size_t pete = FindI(line, kPeteTag, strip);
    if (pete != npos) {
      // The charset Eudora noted for the text that follows; the tag and what precedes it
      // are not written.
      state.eudoraCharset = CutShortString(CharsetAfter(line, strip + 1), false);
      const size_t close = line.find('>', strip);
      strip = close == npos ? 0 : close + 1;
    }
  }

  if (eudora && info.recodeBody && ((info.isMultipart && state.inHTMLPart) || info.isHTML))
    CheckMetaCharset(line, state, info);

  const bool recode = eudora && info.recodeBody && !state.insideCharset && !state.insideFlowed;
  // The part header goes out only now, when it is known whether the text is recoded.
  if (header != PartHeader::kNone) WritePartHeader(header, recode, state, context, out);

  if (strip != 0 && line.size() <= strip) return;
  line.erase(0, strip);
  bool highBit = false;
  bool nul = false;
  for (char c : line) {
    highBit |= static_cast<unsigned char>(c) >= 0x80;
    nul |= c == '\0';
  }
  // Zero bytes go first: the recoders read text only up to a zero byte.
  if (nul) std::erase(line, '\0');
  if (recode && highBit) RecodeLine(line, context);
  // mbox readers take any line that starts "From " for the start of a message.
  if (context.mboxOutput && line.starts_with("From ")) out.Write(" ");
  out.Write(line);
  out.Write("\n");
}

}  // namespace mailboxes
