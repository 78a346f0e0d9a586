// The header pass: reads one message's separator line and header lines from a Eudora (or
// Mozilla) mailbox and writes the header block that the target mail program accepts.
//
// Eudora keeps messages decoded: the mailbox holds the text of the first part only, HTML and
// enriched text are marked by a first body line such as "<x-html>", and the header may carry
// Eudora's habits ("Content-Type: text; charset=..." without a subtype, a multipart type whose
// parts are no longer there). The pass completes the content type and its charset, rebuilds
// the start of the MIME structure of multipart messages, supplies a Date line when the
// message has none, and adds the target's status and priority lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "mailboxes/message_info.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"

namespace mailboxes {

// The most bytes of one header (with its continuation lines) that are kept; the rest of a
// longer header is read and dropped. Real headers stay far below this.
inline constexpr size_t kMaxHeaderBytes = 2u << 20;

// The value of a header line: everything after its first ':' (the whole line when there is
// none) without leading blanks, tabs, CRs and LFs. Trailing white space stays.
std::string GetHeaderContent(std::string_view line);

// Reads one line exactly as text::SmartGetLine does (same delimiter detection, same handling
// of CR LF, same state left in delimiter and crlf, same input position afterwards), but keeps
// at most limit bytes of it: the rest of a longer line is consumed and dropped. Returns false,
// with line empty, when not a single byte could be read.
bool ReadLineBounded(platform::ByteStream& input, std::string& line, char& delimiter, bool& crlf,
                     bool fixedDelimiter, size_t limit);

// Converts the header of one message.
//   input: positioned on the message's separator line; left on the first body line.
//   output: receives the header block, the empty line that ends it included.
//   haveTOCEntry: info.tocEntry holds the message's table-of-contents entry (its subject wins
//     over the Subject header; its state, label and priority give the status lines).
//   crlf, delimiter: the line reader's state, shared with the caller.
//   fromText, toText, subjectText: out, the display texts of From, To and Subject.
//   boundary: out, the multipart boundary that the parts written after the header use; left
//     as it was when the message is not multipart.
//   info: see Frln_MessageInfo; isRelated is read (wrap as multipart/related) and set.
//   target: 1 Apple Mail, 2 Thunderbird. flavour: 1 Eudora, 2 Eudora (Japanese), 3 Mozilla.
//   emlxOutput: Apple Mail gets one file per message (no separator line is written).
//   now: the moment of the conversion, for the local offset of generated dates.
// Returns the number of input bytes from the separator line to the first body line.
int64_t ProcessMessageHeaders(platform::ByteStream& input, platform::OutputStream& output, bool haveTOCEntry,
                              bool& crlf, std::string& fromText, std::string& toText, std::string& subjectText,
                              std::string& boundary, Frln_MessageInfo& info, int32_t target, int32_t flavour,
                              bool emlxOutput, char& delimiter, std::time_t now);

}  // namespace mailboxes
