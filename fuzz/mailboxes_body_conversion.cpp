// Feeds arbitrary bytes as a message body to the body conversion, line by line as the
// mailbox driver reads them, under flags taken from the first two bytes: source flavour,
// line ends, output kind, the message's flags and boundary, and stand-ins for the
// attachment, embedded-content and content-ID steps (one related rewind included).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mailboxes/body_conversion.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"
#include "text/line_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t a = data[0];
  const uint8_t b = data[1];
  const std::string_view body(reinterpret_cast<const char*>(data) + 2, size - 2);

  mailboxes::BodyContext context;
  context.flavour = 1 + (a & 3) % 3;
  context.crlf = context.flavour != 3 && (a & 4) != 0;
  context.mboxOutput = (a & 8) != 0;
  context.delimiter = context.flavour == 3 ? '\n' : '\r';

  mailboxes::Frln_MessageInfo info;
  info.isMultipart = (a & 16) != 0;
  info.isHTML = (a & 32) != 0;
  info.isApplication = (a & 64) != 0;
  info.isDigest = (a & 128) != 0;
  info.recodeBody = (b & 1) == 0;
  info.isSigned = (b & 2) != 0;
  info.mozStatusSeen = (b & 4) != 0;
  info.mozAttachments = (b & 8) != 0 ? 0 : -1;
  static const char* const kBoundaries[] = {"", "b", "b_Frln", "b_pkcs7", "b_Frln_pkcs7", "_pkcs7"};
  std::string boundary = kBoundaries[(b >> 4) % 6];

  const bool attachmentsFound = (b & 64) != 0;
  if ((b & 128) != 0) {
    context.convertAttachment = [&](platform::OutputStream& out, const std::string& line, const std::string& bnd,
                                    bool) {
      if (!attachmentsFound) return false;
      out.Write(bnd);
      out.Write(line.substr(0, 8));
      out.Write("\n");
      return true;
    };
    context.embeddedContent = [](platform::OutputStream& out, const std::string& line, mailboxes::BodyState& state,
                                 std::string& messageBoundary) {
      if (!line.starts_with("Embedded")) return false;
      if (state.boundary != messageBoundary) {
        out.Write("--");
        out.Write(state.boundary);
        out.Write("--\n");
        state.boundary = messageBoundary;
      }
      return true;
    };
  }

  platform::MemoryStream input(body);
  platform::MemoryOutput out;
  mailboxes::BodyState state;
  int64_t consumed = 0;
  uint64_t lines = 0;
  const std::string headerBoundary = boundary;
  // The related rewind: back to the start of the body, once.
  context.contentIds = [&](const std::string& line, mailboxes::BodyState& s, mailboxes::Frln_MessageInfo& i) {
    if (i.isRelated || line.find("cid:") == std::string::npos) return false;
    i.isRelated = true;
    input.Seek(0);
    out.Truncate(0);
    consumed = 0;
    lines = 0;
    boundary = headerBoundary;
    s.Reset(boundary);
    return true;
  };
  state.Reset(boundary);

  std::string line;
  char delimiter = context.delimiter;
  bool crlf = context.crlf;
  for (;;) {
    const uint64_t start = input.Tell();
    if (!text::SmartGetLine(input, line, delimiter, crlf, context.flavour != 3)) break;
    if (crlf && input.Peek() == '\n') input.Get();
    context.delimiter = delimiter;
    context.crlf = crlf;
    consumed += static_cast<int64_t>(input.Tell() - start);
    ++lines;
    mailboxes::ConvertBodyLine(line, state, info, boundary, context, input, consumed, out);
    // Every byte is counted once, whether the driver or the conversion read it.
    Check(consumed == static_cast<int64_t>(input.Tell()));
    // A line grows by its recoding (at most eightfold into ISO-2022-JP) and by the part
    // headers written before it, nothing more.
    Check(out.Data().size() <= 8 * body.size() + 256 * (lines + 1));
    // The boundary in use is the message's, or the message's without a tag.
    Check(state.boundary.size() <= boundary.size());
  }
  Check(input.AtEnd());
  return 0;
}
