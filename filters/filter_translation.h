// One Eudora filter into one Apple Mail rule: the step the filter file driver repeats.
#pragma once

#include <string>

#include "filters/filter_rule.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"

namespace filters {

// Reads the filter at the input's position (or the first one after it) and writes its rule
// dictionary to out when the filter gives a rule. ruleName receives the filter's name (UTF-8,
// at most 255 bytes) for the progress window. Returns true when another filter follows (the
// input is at its "rule" line), false at the end of the input.
bool ProcessSingleFilterItem(platform::ByteStream& in, platform::OutputStream& out, std::string& ruleName,
                             const FilterOptions& options);

// text cut to at most max bytes without splitting a UTF-8 character.
std::string CutUTF8(std::string text, size_t max);

}  // namespace filters
