// Line reading under the three line-end conventions.
#pragma once

#include <string>

#include "platform/byte_stream.h"

namespace text {

// Reads one line from in into line (replacing it); the line never holds the delimiter that
// ended it. Returns false, with line empty, when not a single byte could be read.
//
// delimiter (CR or LF) and crlf are the caller's state, kept between calls. crlf is true when
// lines end in CR LF: the LF after the CR is not consumed here; the caller steps over it.
//
// Detection mode (fixedDelimiter false): a line read under CR that holds an LF switches the
// delimiter to LF, a line read under LF that holds a CR switches it to CR, and the line is
// then read again from its start under the new delimiter; crlf becomes true when the
// delimiter is CR and the next byte is LF. The line is read in bounded pieces, so a switch
// never needs more memory than the line up to the first CR or LF.
//
// Fixed-delimiter mode: delimiter and crlf are kept. When crlf is set, pieces are joined until
// the next byte is LF or the input ends, so a stray CR inside a CR LF line is dropped.
//
// Lines are not limited in length: a file read under a delimiter it never contains (in fixed
// mode) comes back as one line as long as the file.
bool SmartGetLine(platform::ByteStream& in, std::string& line, char& delimiter, bool& crlf,
                  bool fixedDelimiter);

}  // namespace text
