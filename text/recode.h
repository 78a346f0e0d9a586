// Character-set recoding through Unicode.
#pragma once

#include <string>

#include "platform/encodings.h"

namespace text {

// Recodes text (read up to its first zero byte) from one encoding to another, in place.
// Text that is not valid in `from` is read as Mac Roman; the conversion is lossless when the
// target can hold every character, else each character it cannot hold becomes one blank.
// Returns true when the text was changed; false when the result equals the old text, or the
// text could not be read or written at all (it is then left as it was).
bool RecodeString(std::string& text, platform::TextEncoding from, platform::TextEncoding to);

// The text recoded from `from` to UTF-8 with RecodeString.
std::string MakeUTF8(std::string text, platform::TextEncoding from);

}  // namespace text
