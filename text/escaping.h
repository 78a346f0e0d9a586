// Percent unescaping and XML escaping.
#pragma once

#include <string>

namespace text {

// Replaces every percent escape ("%" and two hexadecimal digits) by the byte it stands for and
// turns every unescaped byte of 0x80 or above into its UTF-8 form read as ISO Latin 1. Each run
// of consecutive escapes must spell valid UTF-8. The text is read up to its first zero byte and
// the result ends at the first zero byte it holds ("%00"). When a "%" is not followed by two
// hexadecimal digits, or escaped bytes are not valid UTF-8, the text is left unchanged.
void UnescapeString(std::string& text);

// The text with &, <, >, " and ' replaced by &amp; &lt; &gt; &quot; &apos; (an existing
// entity's ampersand is escaped again); every other byte passes unchanged.
std::string CleanUpXMLString(std::string text);

}  // namespace text
