// Base64 with the alphabet of RFC 4648 and "=" padding.
#pragma once

#include <string>

class Base64 {
 public:
  // The Base64 text of in: a multiple of 4 characters, no line breaks.
  static std::string encode(const std::string& in);
  // The bytes of in, decoded four characters at a time; never fails. A character outside the
  // alphabet (line breaks and blanks included) counts as the value 255; decoding stops at an
  // "=" standing third or fourth in a group.
  static std::string decode(const std::string& in);
};
