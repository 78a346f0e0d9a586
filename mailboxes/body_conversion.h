// Converting the body of a message, line by line. Eudora keeps a body in its own decoded
// form: HTML and enriched text are marked by pseudo-tags at the start of lines ("<x-html>",
// "<x-rich>", "<x-flowed ...>", "<x-charset ...>", "<!x-stuff-for-pete ...>"), attachments
// are replaced by "Attachment converted: " lines, part headers that Eudora could not
// decode stay in the text, and the text is in the Mac or Windows character set. Each line
// is turned into standard MIME text here: tags are removed, the parts that HTML and
// enriched text need in a multipart message are opened, attachments are handed to the
// attachment converter, the text is recoded into the character set its part declares,
// and lines that would split an mbox file are guarded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "mailboxes/message_info.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"

namespace mailboxes {

// What the body conversion keeps from one line of a message to the next. The driver
// resets it after the header pass, before the first body line of every message.
struct BodyState {
  bool inHTMLPart = false;    // an HTML part is open (written here, or named by a body Content-Type line)
  bool insideCharset = false; // between "<x-charset ...>" and "</x-charset>": text in its own charset
  bool insideFlowed = false;  // between "<x-flowed iso-..."/"<x-flowed utf-..." and "</x-flowed>"
  std::string boundary;       // the boundary of the part delimiters written here
  std::string eudoraCharset;  // charset of the last "<!x-stuff-for-pete" tag
  std::string metaCharset;    // charset of the last HTML META line examined
  // Charset named by the last part header left in the text whose part is not recoded.
  std::string namedCharset;
  int32_t attachmentCount = 0;  // attachments put back from attachment lines

  // Mozilla sources: attachments counted from the part headers of the body.
  bool mozCountingDecided = false;
  bool mozCounting = false;
  int32_t mozBase = 0;
  int32_t mozRunning = 0;

  // Fresh state for a message whose header pass handed back messageBoundary (a boundary
  // ending in the "_Frln" tag of the related wrapping is used without the tag).
  void Reset(const std::string& messageBoundary);
};

// What stays the same for every message of a mailbox.
struct BodyContext {
  int32_t flavour = 1;      // 1 Eudora, 2 Eudora (Japanese), 3 Mozilla/Thunderbird
  bool crlf = false;        // lines end in CR LF: a Windows mailbox, text in Windows Latin 1
  char delimiter = '\r';    // the byte that ends a line
  bool mboxOutput = false;  // the output is an mbox file: lines starting "From " get a blank

  // Writes the attachment named by an attachment line (given in UTF-8) as a part using
  // boundary, or the text standing in for a missing file. False when no file name could be
  // taken from the line; the line is then written as text. Not set: attachment lines stay text.
  std::function<bool(platform::OutputStream& out, const std::string& line, const std::string& boundary,
                     bool isApplication)>
      convertAttachment;
  // Handles a line that names an embedded file Eudora saved, and returns true for such a
  // line (which is then not written). May close the inner part of a related message: it
  // then sets state.boundary to messageBoundary.
  std::function<bool(platform::OutputStream& out, const std::string& line, BodyState& state,
                     std::string& messageBoundary)>
      embeddedContent;
  // Collects the "cid:" references of a multipart message (set only when the saved
  // embedded files can be found). Returns true when it has rewound the input and the
  // output to convert the message again as a related message: nothing more is done for
  // the line.
  std::function<bool(const std::string& line, BodyState& state, Frln_MessageInfo& info)> contentIds;
};

// Converts one body line (without its line end) and writes what of it belongs in the
// output, with an LF. May change line. For a part header that Eudora left in the text,
// the header's further lines are read from input and dropped, their bytes added to
// consumedBytes. messageBoundary is the message's boundary as the header pass handed it
// back; it loses its "_pkcs7" tag when the signature line of a signed message closes the
// inner part.
void ConvertBodyLine(std::string& line, BodyState& state, Frln_MessageInfo& info, std::string& messageBoundary,
                     const BodyContext& context, platform::ByteStream& input, int64_t& consumedBytes,
                     platform::OutputStream& out);

}  // namespace mailboxes
