// Converts arbitrary bytes as a mailbox into a Thunderbird mail folder file and checks that
// an mbox reader finds exactly the messages written: every line that starts with "From " is
// a message's first line, and each message carries its X-Mozilla-Status pair.
//
// Input: byte 0 chooses the flavour (Eudora, Japanese Eudora, Mozilla) and whether messages
// get a fake attachment part; the rest is the mailbox.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mailboxes/mailbox_converter.h"
#include "mailboxes/thunderbird_sink.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choice = data[0];
  const std::string_view mailbox(reinterpret_cast<const char*>(data) + 1, size - 1);

  mailboxes::MailboxSettings settings;
  settings.target = 2;
  settings.flavour = 1 + choice % 3;
  if (choice & 0x10) {
    settings.convertAttachment = [](platform::OutputStream& out, const std::string& line, const std::string& boundary,
                                    bool) {
      out.Write("--" + boundary + "\nContent-Type: text/plain\n\n" + line + "\n");
      return true;
    };
  }
  platform::MemoryStream input(mailbox);
  platform::MemoryOutput mbox;
  mailboxes::ThunderbirdSink sink(mbox, "fuzz", "/tmp");
  const mailboxes::TableOfContents noTable;
  mailboxes::MailboxConverter converter(settings, noTable, {});
  mailboxes::MailboxCounters counters;
  int64_t resume = 0;
  int32_t converted = 0;
  converter.Convert(input, mailboxes::DetectLineEnds(input), sink, resume, converted, counters);
  Check(sink.Close(converted));

  const std::string& out = mbox.Data();
  Check(out.empty() || out.starts_with("From - "));
  int32_t starts = 0, pairs = 0;
  for (size_t at = 0; at < out.size();) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    const std::string_view line(out.data() + at, end - at);
    if (line.starts_with("From ")) ++starts;
    if (line.starts_with("X-Mozilla-Status2: ")) ++pairs;
    at = end + 1;
  }
  Check(starts == converted);
  Check(pairs >= converted);
  return 0;
}
