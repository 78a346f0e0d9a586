// Reading Eudora filter files: lines of a keyword and a value, each filter starting with a
// "rule" line, translated into Apple Mail's terms as they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "filters/filter_rule.h"
#include "platform/byte_stream.h"
#include "platform/encodings.h"

namespace filters {

// Longer lines keep this many bytes; the rest of the line is skipped. Eudora's own values
// are short strings.
inline constexpr size_t kMaxFilterLineLength = 64 * 1024;

// True when the first line of the filter file ends in CR LF (a Windows filter file).
// The stream is left at its start.
bool FilterFileUsesCRLF(platform::ByteStream& in);

// Header names are read as Windows Latin 1 in CR LF files, values (rule names, expressions,
// mailbox names, sounds, recipients) as Mac Japanese for Japanese Eudora; otherwise both
// are Windows Latin 1 in CR LF files and Mac Roman in Mac files.
platform::TextEncoding FilterHeaderEncoding(const FilterOptions& options);
platform::TextEncoding FilterTextEncoding(const FilterOptions& options);

struct HeaderTranslation {
  std::string header;  // Apple Mail's name, still in the filter file's encoding
  bool supported = true;
  bool account = false;  // «Personality»: the criterion's value names an account
};
// A "header" value: Eudora's header or pseudo-header («…» with Mac Roman or Windows
// guillemets).
HeaderTranslation TranslateFilterHeader(std::string_view header, uint32_t systemVersion);

struct VerbTranslation {
  std::string qualifier;  // empty: contains
  bool supported = true;
};
// A "verb" value; negated is set for the second criterion of an "unless" filter.
VerbTranslation TranslateFilterVerb(std::string_view verb, bool negated);

// A "label" value as Apple Mail's colour number.
std::string TranslateFilterLabel(std::string_view label, uint32_t systemVersion);

// A "transfer" or "copy" value (UTF-8) as the path of the converted mailbox below the
// import folder, named as the mailbox writer names packages and their folders: ':' (Mac)
// or '\' (Windows) become '/', folders lose ".fol" and ".sbd", the mailbox ".mbx". Empty
// when the value names no mailbox. Where displayName knows the name Eudora showed for a
// mailbox or folder of the path, that name stands instead.
std::string FilterMailboxPath(std::string_view value, bool crlf, const MailboxDisplayName& displayName = {});

// The filter file's text as UTF-8: control characters that XML cannot hold become blanks.
std::string FilterTextToUTF8(std::string_view text, platform::TextEncoding encoding);

// Reads one filter, from its "rule" line to the line before the next "rule" line, into
// rule (replaced). Lines before the first "rule" line belong to no filter and are skipped.
// Returns true when the input stopped at the next filter's "rule" line, false at its end.
bool ReadEudoraFilter(platform::ByteStream& in, const FilterOptions& options, FilterRule& rule);

// Two criteria of an "or" filter that test the same text the same way in two headers
// become one criterion naming both headers ("To or Cc").
void MergeSameTextCriteria(FilterRule& rule);

}  // namespace filters
