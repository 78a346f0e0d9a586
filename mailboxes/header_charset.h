// Header lines in seven-bit form. Eudora keeps header lines with raw eight-bit bytes in the
// character set of the machine that wrote the mailbox (Mac Roman, Windows Latin 1, or Mac
// Japanese in the Japanese edition); mail readers expect RFC 2047 encoded words. These
// functions rewrite one header line into that form and give back its value as readable text
// for the target's table of contents.
#pragma once

#include <cstdint>
#include <string>

namespace mailboxes {

// Replaces the eight-bit parts of text by encoded words, in place.
//   encoding 0x820 (ISO-2022-JP): every stretch from an ESC byte up to and including the next
//     ESC "(B" (the return to ASCII) becomes "=?ISO-2022-JP?B?", its Base64 form and "?=";
//     a stretch without its ESC "(B" stays as it is.
//   any other encoding: every run of bytes of 0x80 or above becomes one Q word, "=?ISO-8859-1?Q?"
//     for 0x201 and "=?UTF-8?Q?" otherwise, each byte as "=XX", closed by "?=". The word sits
//     directly between its neighbours ("J=?ISO-8859-1?Q?=F6?=rg"); nothing is folded.
void MIMEEncode(std::string& text, uint32_t encoding);

// Converts one unfolded header line (pieces joined by "\n") in place and returns the display
// text of its value.
//   crlf: the mailbox's lines end in CR LF (Windows Eudora, so Windows Latin 1).
//   flavour: 1 Eudora, 2 Eudora (Japanese), 3 Mozilla/Thunderbird.
// The value is recoded into ISO Latin 1 (flavour 1: from Windows Latin 1 or Mac Roman) or
// ISO-2022-JP (flavour 2: from Mac Japanese), or left as it is (flavour 3); when the recoding
// changed it (or always for flavour 3) its eight-bit parts are encoded with MIMEEncode (as
// UTF-8 words when a flavour 3 value is valid UTF-8, else as ISO-8859-1 words). The
// display text is the value with its ISO-8859-1 Q words and ISO-2022-JP B words decoded and
// without CR, LF and tab. In To, From, Cc and Bcc values that hold a double quote, a list item
// that is wholly one quoted string loses its quotes, so that no encoded word stands inside
// quotes. When anything changed, the line becomes the header name, one blank and the new
// value; otherwise it is left as it was. A line without ':' is left alone and gives "".
std::string CleanUpHighBitChars(std::string& line, bool crlf, int32_t flavour);

}  // namespace mailboxes
