// Reading XML property lists (Apple's "plist" 1.0 format): the rules file Apple Mail keeps,
// before rules are added to it, and its preferences, where accounts are looked up. The
// reader is strict: whatever it accepts is well-formed XML in UTF-8 and a property list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace filters {

struct PlistElement {
  enum class Type { kDict, kArray, kString, kInteger, kReal, kDate, kData, kTrue, kFalse };
  Type type = Type::kString;
  std::string text;                  // string, integer, real, date, data: the text, references replaced
  std::vector<std::string> keys;     // dict: the keys in document order
  std::vector<PlistElement> values;  // dict: the value of each key; array: the elements
  size_t begin = 0;    // offset of the start tag
  size_t endTag = 0;   // offset of the end tag (of the start tag when the element is one "<x/>" tag)
  size_t end = 0;      // offset just after the element
  bool emptyTag = false;  // written as one empty-element tag ("<array/>")

  // dict: the value of key, or null when the key is missing.
  const PlistElement* Find(std::string_view key) const;
  // dict: how many times key occurs.
  size_t CountKey(std::string_view key) const;
};

// Deeper nesting is refused (a guard for the reader's stack, far beyond what plists use).
inline constexpr int kMaxPlistDepth = 200;

// Parses bytes as an XML property list: an optional XML declaration (encoding UTF-8),
// comments, a document type declaration without internal subset, and the plist element
// around one value. Returns false, with the reason and offset in error when it is given,
// when the bytes are not one.
bool ParseXMLPropertyList(std::string_view bytes, PlistElement& root, std::string* error = nullptr);

}  // namespace filters
