#include "filters/xml_property_list.h"

#include <cstdlib>
#include <set>

#include "platform/encodings.h"
#include "text/ascii.h"

namespace filters {

namespace {

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.'; }

// The whole document must be UTF-8 made of characters XML allows.
bool CheckCharacters(std::string_view s, size_t& badOffset) {
  size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i]);
    size_t length = 1;
    char32_t c = lead;
    if (lead >= 0x80) {
      if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
      } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
      } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
      } else {
        badOffset = i;
        return false;
      }
      if (length > s.size() - i) {
        badOffset = i;
        return false;
      }
      for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
          badOffset = i;
          return false;
        }
        c = (c << 6) | (b & 0x3F);
      }
      if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF))) {
        badOffset = i;
        return false;
      }
    }
    if (!IsXmlChar(c)) {
      badOffset = i;
      return false;
    }
    i += length;
  }
  return true;
}

bool IsValidInteger(std::string_view t) {
  while (!t.empty() && IsSpace(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsSpace(t.back())) t.remove_suffix(1);
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.remove_prefix(1);
  bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
  if (hex) t.remove_prefix(2);
  if (t.empty()) return false;
  for (char c : t)
    if (!(hex ? IsHexDigit(c) : IsDigit(c))) return false;
  return true;
}

bool IsValidReal(const std::string& t) {
  const char* start = t.c_str();
  while (IsSpace(*start)) ++start;
  if (*start == '\0') return false;
  char* end = nullptr;
  std::strtod(start, &end);
  while (IsSpace(*end)) ++end;
  return end != start && *end == '\0';
}

// YYYY[-MM[-DD[Thh[:mm[:ss]]]]]Z
bool IsValidDate(std::string_view t) {
  auto digits = [&](size_t at, size_t n) {
    if (t.size() < at + n) return false;
    for (size_t i = 0; i < n; ++i)
      if (!IsDigit(t[at + i])) return false;
    return true;
  };
  if (!digits(0, 4)) return false;
  size_t p = 4;
  static constexpr char kSeparators[] = {'-', '-', 'T', ':', ':'};
  for (char separator : kSeparators) {
    if (p < t.size() && t[p] == separator && digits(p + 1, 2))
      p += 3;
    else
      break;
  }
  return p < t.size() && t[p] == 'Z';
}

bool IsValidData(std::string_view t) {
  for (char c : t)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '+' || c == '/' || c == '=' ||
          IsSpace(c)))
      return false;
  return true;
}

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  bool Document(PlistElement& root) {
    size_t bad = 0;
    if (!CheckCharacters(s_, bad)) return Fail("a byte that is not a UTF-8 XML character", bad);
    if (Starts("\xEF\xBB\xBF")) p_ = 3;
    if (Starts("<?xml") && p_ + 5 < s_.size() && IsSpace(s_[p_ + 5]) && !XmlDeclaration()) return false;
    if (!Misc(true)) return false;
    if (!Starts("<") || Starts("</")) return Fail("no root element");
    std::string name;
    bool emptyTag = false;
    if (!StartTag(name, emptyTag)) return false;
    if (name != "plist") return Fail("the root element is not plist");
    if (emptyTag) return Fail("the plist element holds no value");
    if (!ContentMisc()) return false;
    if (Starts("</")) return Fail("the plist element holds no value");
    if (!Value(root, 1)) return false;
    if (!ContentMisc()) return false;
    if (!EndTag("plist")) return false;
    if (!Misc(false)) return false;
    if (p_ != s_.size()) return Fail("text after the root element");
    return true;
  }

  std::string Error() const { return error_ + " at offset " + std::to_string(errorAt_); }

 private:
  bool Fail(const char* why) { return Fail(why, p_); }
  bool Fail(const char* why, size_t at) {
    if (error_.empty()) {
      error_ = why;
      errorAt_ = at;
    }
    return false;
  }
  bool Starts(std::string_view prefix) const { return s_.substr(p_).substr(0, prefix.size()) == prefix; }
  void SkipSpace() {
    while (p_ < s_.size() && IsSpace(s_[p_])) ++p_;
  }
  std::string_view Name() {
    const size_t start = p_;
    if (p_ < s_.size() && IsNameStart(s_[p_])) {
      ++p_;
      while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
    }
    return s_.substr(start, p_ - start);
  }

  bool Comment() {
    const size_t end = s_.find("--", p_ + 4);
    if (end == std::string_view::npos) return Fail("an unterminated comment");
    if (end + 2 >= s_.size() || s_[end + 2] != '>') return Fail("\"--\" inside a comment", end);
    p_ = end + 3;
    return true;
  }

  bool ProcessingInstruction() {
    p_ += 2;
    const std::string_view target = Name();
    if (target.empty()) return Fail("a processing instruction without target");
    if (text::EqualsNoCase(target, "xml")) return Fail("an XML declaration that is not at the start");
    if (!Starts("?>") && !(p_ < s_.size() && IsSpace(s_[p_]))) return Fail("a malformed processing instruction");
    const size_t end = s_.find("?>", p_);
    if (end == std::string_view::npos) return Fail("an unterminated processing instruction");
    p_ = end + 2;
    return true;
  }

  // version="1.x" [encoding="UTF-8"] [standalone="yes|no"] ?>
  bool XmlDeclaration() {
    p_ += 5;
    bool version = false;
    for (;;) {
      SkipSpace();
      if (Starts("?>")) {
        p_ += 2;
        return version || Fail("an XML declaration without version");
      }
      const std::string_view name = Name();
      SkipSpace();
      if (name.empty() || !Starts("=")) return Fail("a malformed XML declaration");
      ++p_;
      SkipSpace();
      if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return Fail("a malformed XML declaration");
      const char quote = s_[p_++];
      const size_t end = s_.find(quote, p_);
      if (end == std::string_view::npos) return Fail("a malformed XML declaration");
      const std::string_view value = s_.substr(p_, end - p_);
      p_ = end + 1;
      if (name == "version") {
        if (value.size() < 3 || value.substr(0, 2) != "1." || !IsValidInteger(value.substr(2)))
          return Fail("an XML version other than 1.x");
        version = true;
      } else if (name == "encoding") {
        if (!text::EqualsNoCase(value, "UTF-8")) return Fail("an encoding other than UTF-8");
      } else if (name != "standalone" || (value != "yes" && value != "no")) {
        return Fail("a malformed XML declaration");
      }
      if (!Starts("?>") && !(p_ < s_.size() && IsSpace(s_[p_]))) return Fail("a malformed XML declaration");
    }
  }

  // <!DOCTYPE name [SYSTEM "system id" | PUBLIC "public id" "system id"] > — an internal
  // subset could declare entities and is refused.
  bool DocumentType() {
    p_ += 9;
    const size_t before = p_;
    SkipSpace();
    if (p_ == before || Name().empty()) return Fail("a malformed document type");
    auto literal = [this](bool publicId) {
      const size_t start = p_;
      SkipSpace();
      if (p_ == start || p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return false;
      const char quote = s_[p_++];
      const size_t end = s_.find(quote, p_);
      if (end == std::string_view::npos) return false;
      if (publicId) {
        static constexpr std::string_view kPublicIdPunctuation = " \r\n-'()+,./:=?;!*#@$_%";
        for (char c : s_.substr(p_, end - p_))
          if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) ||
                kPublicIdPunctuation.find(c) != std::string_view::npos))
            return false;
      }
      p_ = end + 1;
      return true;
    };
    const size_t afterName = p_;
    SkipSpace();
    if (p_ > afterName && Starts("SYSTEM")) {
      p_ += 6;
      if (!literal(false)) return Fail("a malformed document type");
    } else if (p_ > afterName && Starts("PUBLIC")) {
      p_ += 6;
      if (!literal(true) || !literal(false)) return Fail("a malformed document type");
    }
    SkipSpace();
    if (Starts("[")) return Fail("a document type with an internal subset");
    if (!Starts(">")) return Fail("a malformed document type");
    ++p_;
    return true;
  }

  // White space, comments and processing instructions outside the root element (and the
  // document type before it).
  bool Misc(bool beforeRoot) {
    bool doctypeSeen = false;
    for (;;) {
      SkipSpace();
      if (Starts("<!--")) {
        if (!Comment()) return false;
      } else if (Starts("<?")) {
        if (!ProcessingInstruction()) return false;
      } else if (beforeRoot && !doctypeSeen && Starts("<!DOCTYPE")) {
        doctypeSeen = true;
        if (!DocumentType()) return false;
      } else {
        return true;
      }
    }
  }

  // Inside plist, dict and array elements only white space, comments and processing
  // instructions may stand between the elements.
  bool ContentMisc() {
    for (;;) {
      SkipSpace();
      if (Starts("<!--")) {
        if (!Comment()) return false;
      } else if (Starts("<?")) {
        if (!ProcessingInstruction()) return false;
      } else if (p_ < s_.size() && s_[p_] != '<') {
        return Fail("text between elements");
      } else {
        return true;
      }
    }
  }

  // &name; or &#N; or &#xH; appended to out as UTF-8.
  bool Reference(std::string& out) {
    const size_t semicolon = s_.find(';', p_);
    if (semicolon == std::string_view::npos || semicolon - p_ > 12) return Fail("a malformed reference");
    const std::string_view name = s_.substr(p_ + 1, semicolon - p_ - 1);
    p_ = semicolon + 1;
    if (name == "amp") out += '&';
    else if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else if (name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty()) return Fail("a malformed character reference");
      char32_t c = 0;
      for (char d : digits) {
        if (!(hex ? IsHexDigit(d) : IsDigit(d))) return Fail("a malformed character reference");
        const int v = IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
        c = c * (hex ? 16 : 10) + static_cast<char32_t>(v);
        if (c > 0x10FFFF) return Fail("a character reference out of range");
      }
      if (!IsXmlChar(c)) return Fail("a reference to a character XML does not allow");
      platform::AppendUTF8(c, out);
    } else {
      return Fail("a reference to an undeclared entity");
    }
    return true;
  }

  // < name (attribute)* (> | />)
  bool StartTag(std::string& name, bool& emptyTag) {
    ++p_;
    name = std::string(Name());
    if (name.empty()) return Fail("a malformed start tag");
    std::set<std::string> attributes;
    for (;;) {
      const size_t before = p_;
      SkipSpace();
      if (Starts("/>")) {
        p_ += 2;
        emptyTag = true;
        return true;
      }
      if (Starts(">")) {
        ++p_;
        emptyTag = false;
        return true;
      }
      if (p_ == before) return Fail("a malformed start tag");
      const std::string attribute(Name());
      if (attribute.empty() || !attributes.insert(attribute).second) return Fail("a malformed attribute");
      SkipSpace();
      if (!Starts("=")) return Fail("a malformed attribute");
      ++p_;
      SkipSpace();
      if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return Fail("an unquoted attribute value");
      const char quote = s_[p_++];
      std::string ignored;
      for (;;) {
        if (p_ >= s_.size()) return Fail("an unterminated attribute value");
        const char c = s_[p_];
        if (c == quote) break;
        if (c == '<') return Fail("'<' in an attribute value");
        if (c == '&') {
          if (!Reference(ignored)) return false;
        } else {
          ++p_;
        }
      }
      ++p_;
    }
  }

  bool EndTag(std::string_view name) {
    if (!Starts("</")) return Fail("a missing end tag");
    p_ += 2;
    if (Name() != name) return Fail("an end tag that does not match its start tag");
    SkipSpace();
    if (!Starts(">")) return Fail("a malformed end tag");
    ++p_;
    return true;
  }

  // Character data up to the element's end tag: references replaced, CDATA sections taken
  // as they are, comments and processing instructions dropped.
  bool Text(std::string& out) {
    for (;;) {
      if (p_ >= s_.size()) return Fail("an unterminated element");
      const char c = s_[p_];
      if (c == '<') {
        if (Starts("</")) return true;
        if (Starts("<![CDATA[")) {
          const size_t end = s_.find("]]>", p_ + 9);
          if (end == std::string_view::npos) return Fail("an unterminated CDATA section");
          out.append(s_.substr(p_ + 9, end - p_ - 9));
          p_ = end + 3;
        } else if (Starts("<!--")) {
          if (!Comment()) return false;
        } else if (Starts("<?")) {
          if (!ProcessingInstruction()) return false;
        } else {
          return Fail("an element inside a text element");
        }
      } else if (c == '&') {
        if (!Reference(out)) return false;
      } else {
        if (Starts("]]>")) return Fail("\"]]>\" in text");
        out += c;
        ++p_;
      }
    }
  }

  static bool TypeOf(std::string_view name, PlistElement::Type& type) {
    using T = PlistElement::Type;
    static constexpr std::pair<std::string_view, T> kTypes[] = {
        {"dict", T::kDict}, {"array", T::kArray}, {"string", T::kString}, {"integer", T::kInteger},
        {"real", T::kReal}, {"date", T::kDate},   {"data", T::kData},     {"true", T::kTrue},
        {"false", T::kFalse}};
    for (const auto& [n, t] : kTypes)
      if (n == name) {
        type = t;
        return true;
      }
    return false;
  }

  bool Value(PlistElement& e, int depth) {
    using T = PlistElement::Type;
    if (depth > kMaxPlistDepth) return Fail("nesting too deep");
    if (!Starts("<")) return Fail("a missing value");
    e.begin = p_;
    std::string name;
    if (!StartTag(name, e.emptyTag)) return false;
    if (!TypeOf(name, e.type)) return Fail(name == "key" ? "a key outside a dict" : "an unknown element", e.begin);
    if (e.emptyTag) {
      e.endTag = e.begin;
      e.end = p_;
      if (e.type == T::kInteger || e.type == T::kReal || e.type == T::kDate) return Fail("an empty number or date");
      return true;
    }
    switch (e.type) {
      case T::kDict:
        for (;;) {
          if (!ContentMisc()) return false;
          if (Starts("</")) break;
          const size_t keyStart = p_;
          std::string keyName;
          bool keyEmpty = false;
          if (!Starts("<") || !StartTag(keyName, keyEmpty)) return Fail("a malformed dict entry", keyStart);
          if (keyName != "key") return Fail("a dict value without key", keyStart);
          std::string key;
          if (!keyEmpty && (!Text(key) || !EndTag("key"))) return false;
          if (!ContentMisc()) return false;
          if (Starts("</")) return Fail("a key without value");
          PlistElement value;
          if (!Value(value, depth + 1)) return false;
          e.keys.push_back(std::move(key));
          e.values.push_back(std::move(value));
        }
        break;
      case T::kArray:
        for (;;) {
          if (!ContentMisc()) return false;
          if (Starts("</")) break;
          PlistElement value;
          if (!Value(value, depth + 1)) return false;
          e.values.push_back(std::move(value));
        }
        break;
      case T::kTrue:
      case T::kFalse:
        if (!ContentMisc()) return false;
        break;
      default:
        if (!Text(e.text)) return false;
        break;
    }
    e.endTag = p_;
    if (!EndTag(name)) return false;
    e.end = p_;
    if ((e.type == T::kInteger && !IsValidInteger(e.text)) || (e.type == T::kReal && !IsValidReal(e.text)) ||
        (e.type == T::kDate && !IsValidDate(e.text)) || (e.type == T::kData && !IsValidData(e.text)))
      return Fail("a malformed number, date or data", e.begin);
    return true;
  }

  std::string_view s_;
  size_t p_ = 0;
  std::string error_;
  size_t errorAt_ = 0;
};

}  // namespace

const PlistElement* PlistElement::Find(std::string_view key) const {
  for (size_t i = 0; i < keys.size() && i < values.size(); ++i)
    if (keys[i] == key) return &values[i];
  return nullptr;
}

size_t PlistElement::CountKey(std::string_view key) const {
  size_t count = 0;
  for (const std::string& k : keys) count += k == key;
  return count;
}

bool ParseXMLPropertyList(std::string_view bytes, PlistElement& root, std::string* error) {
  root = PlistElement{};
  Parser parser(bytes);
  if (parser.Document(root)) return true;
  if (error) *error = parser.Error();
  root = PlistElement{};
  return false;
}

}  // namespace filters
