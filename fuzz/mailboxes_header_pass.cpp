// Feeds arbitrary bytes to the header pass, message after message, under the options that the
// first two bytes choose; the same bytes go through the header charset clean-up and through the
// bounded line reader, which must agree with text::SmartGetLine.
//
// Input: byte 0 chooses flavour, target, output form, table-of-contents entry, related
// wrapping, line ends; byte 1 the entry's state, label and priority; the rest is the mailbox.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "mailboxes/header_charset.h"
#include "mailboxes/header_pass.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"
#include "text/line_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr int kMaxMessages = 64;

void RunHeaderPass(std::string_view mailbox, uint8_t choice, uint8_t entryBits) {
  const int32_t flavour = 1 + choice % 3;
  const int32_t target = 1 + ((choice >> 2) & 1);
  const bool emlx = (choice >> 3) & 1;
  const bool haveTOC = (choice >> 4) & 1;
  bool crlf = (choice >> 6) & 1;
  char delimiter = (choice >> 7) ? '\n' : '\r';

  platform::MemoryStream input(mailbox);
  platform::MemoryOutput output;
  mailboxes::Frln_MessageInfo info;
  info.tocEntry.state = static_cast<int8_t>(entryBits & 0x0F);
  info.tocEntry.label = static_cast<int16_t>(static_cast<int8_t>(entryBits) >> 4);
  info.tocEntry.priority = static_cast<uint8_t>(entryBits * 40);
  info.tocEntry.subject = std::string(mailbox.substr(0, 80));
  info.tocEntry.utf8Subject = (entryBits & 1) != 0;
  std::string from, to, subject, boundary;
  for (int n = 0; n < kMaxMessages && !input.AtEnd(); ++n) {
    info.isRelated = (choice >> 5) & 1;
    const uint64_t start = input.Tell();
    const uint64_t written = output.Position();
    const int64_t consumed = mailboxes::ProcessMessageHeaders(input, output, haveTOC, crlf, from, to, subject, boundary,
                                                              info, target, flavour, emlx, delimiter, 1010682496);
    Check(consumed > 0);
    Check(static_cast<uint64_t>(consumed) == input.Tell() - start);
    Check(input.Tell() <= mailbox.size());
    const std::string_view block = std::string_view(output.Data()).substr(written);
    Check(block.size() >= 2 && block.substr(block.size() - 2) == "\n\n");
    Check(info.subject.size() <= 255);
    if (info.isMultipart && flavour != 3) {
      Check(!boundary.empty());
      Check(boundary.find_first_of("\r\n") == std::string::npos);
    }
    if (target == 2) {
      const std::string& data = output.Data();
      Check(info.status2Offset >= 0 && static_cast<size_t>(info.status2Offset) + 9 <= data.size());
      for (int i = 0; i < 8; ++i) Check(std::isxdigit(static_cast<unsigned char>(data[info.status2Offset + i])));
      Check(data[info.status2Offset + 8] == '\n');
    }
  }
}

void RunCharset(std::string_view bytes, bool crlf) {
  for (int32_t flavour = 1; flavour <= 3; ++flavour) {
    std::string line(bytes);
    mailboxes::CleanUpHighBitChars(line, crlf, flavour);
  }
  std::string latin1(bytes);
  mailboxes::MIMEEncode(latin1, 0x201);
  for (char c : latin1) Check(static_cast<unsigned char>(c) < 0x80);
  std::string jis(bytes);
  mailboxes::MIMEEncode(jis, 0x820);
}

void CompareLineReaders(std::string_view bytes, bool fixed, bool crlf, size_t limit) {
  platform::MemoryStream a(bytes), b(bytes);
  char delimiterA = '\r', delimiterB = '\r';
  bool crlfA = crlf, crlfB = crlf;
  std::string lineA, lineB;
  for (;;) {
    const bool gotA = text::SmartGetLine(a, lineA, delimiterA, crlfA, fixed);
    const bool gotB = mailboxes::ReadLineBounded(b, lineB, delimiterB, crlfB, fixed, limit);
    Check(gotA == gotB);
    Check(lineB == std::string_view(lineA).substr(0, limit));
    Check(a.Tell() == b.Tell() && delimiterA == delimiterB && crlfA == crlfB);
    if (!gotA) break;
    if (crlfA && a.Peek() == '\n') {
      a.Get();
      b.Get();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("TZ", "NST3:30NDT,M3.2.0,M11.1.0", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view mailbox(reinterpret_cast<const char*>(data) + 2, size - 2);
  RunHeaderPass(mailbox, data[0], data[1]);
  RunCharset(mailbox, data[0] & 1);
  CompareLineReaders(mailbox, data[1] & 1, data[1] & 2, 1 + data[1] % 7);
  return 0;
}
