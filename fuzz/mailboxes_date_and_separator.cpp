// Feeds arbitrary bytes to the date parser (as a Date header value, a separator date and a
// table-of-contents date) and to the separator test, in both strengths.
//
// Input: 4 bytes of table-of-contents date, then the Date header value up to the first 0
// byte, then the separator date; the whole input is also tried as a separator line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "mailboxes/dates.h"
#include "mailboxes/message_separator.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A zone with daylight-saving time and a half-hour offset.
  setenv("TZ", "NST3:30NDT,M3.2.0,M11.1.0", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  int32_t toc = 0;
  if (size >= 4) {
    toc = static_cast<int32_t>(uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 |
                               uint32_t(data[2]) << 8 | uint32_t(data[3]));
    bytes.remove_prefix(4);
  }
  const size_t end = bytes.find('\0');
  std::string date(bytes.substr(0, end));
  const std::string_view separator =
      end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);

  int32_t seconds = 0, packed = 0;
  for (std::time_t now : {std::time_t{1010682496}, std::time_t{1026320896}}) {
    std::string text = date;
    const bool built = mailboxes::CalculateDateAndTime(text, separator, toc, seconds, packed, now);
    Check(text.size() >= 31 && text.size() < 96);
    if (built && toc != 0) Check(seconds == toc);
  }

  std::string_view line(reinterpret_cast<const char*>(data), size);
  const size_t eol = line.find('\r');
  const std::string_view following = eol == std::string_view::npos ? std::string_view() : line.substr(eol + 1);
  line = line.substr(0, eol);
  const bool relaxed = mailboxes::IsNewMessageStart(line, true, following);
  const bool strict = mailboxes::IsNewMessageStart(line, false, following);
  Check(relaxed || !strict);  // whatever the strict test accepts, the relaxed one does
  return 0;
}
