// Text encodings by the numbers the converters use for them, and conversion between them
// through Unicode. Mac Roman and Windows code page 1252 come from our own tables (Apple's
// current Mac Roman table: 0xDB is the euro sign); Mac Japanese and ISO-2022-JP use tables
// built on first use from iconv's CP932 (see platform/encodings.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using TextEncoding = uint32_t;
inline constexpr TextEncoding kMacRoman = 0;
inline constexpr TextEncoding kMacJapanese = 1;
inline constexpr TextEncoding kISOLatin1 = 0x0201;
inline constexpr TextEncoding kWindowsLatin1 = 0x0500;
inline constexpr TextEncoding kISO2022JP = 0x0820;
inline constexpr TextEncoding kUTF8 = 0x08000100;

// Decodes bytes in the encoding into Unicode code points (replacing out). False when the
// bytes are not valid in that encoding or the encoding is not one of the six above (out is
// then empty). Mac Roman, Windows Latin 1 and ISO Latin 1 accept every byte; UTF-8 is strict
// (no overlongs, surrogates or values above U+10FFFF). platform/encodings.cpp tells how Mac
// Japanese and ISO-2022-JP are read.
bool DecodeText(std::string_view bytes, TextEncoding encoding, std::u32string& out);

// Encodes code points (replacing out). With loss_byte < 0 the conversion fails (returns
// false) at the first character the encoding cannot hold; otherwise each such character
// becomes the one byte loss_byte and the conversion succeeds (in ISO-2022-JP the loss byte is
// written in ASCII mode, so the escape sequences stay valid). On failure out is empty.
bool EncodeText(std::u32string_view text, TextEncoding encoding, std::string& out, int loss_byte = -1);

// The UTF-8 form of a file name: the name itself when it is valid UTF-8, else the name
// read as Mac Roman.
std::string FileNameToUTF8(std::string_view name);

// True when bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUTF8(std::string_view bytes);

// Appends the UTF-8 form of one code point (U+FFFD for a surrogate or a value above U+10FFFF).
void AppendUTF8(char32_t c, std::string& out);

}  // namespace platform
