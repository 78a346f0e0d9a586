#include "discovery/descmap.h"

#include "platform/encodings.h"
#include "text/ascii.h"
#include "text/recode.h"

namespace discovery {

namespace {

std::string ToUTF8(std::string_view bytes) {
  if (platform::IsValidUTF8(bytes)) return std::string(bytes);
  return text::MakeUTF8(std::string(bytes), platform::kWindowsLatin1);
}

// Splits a line at its commas; a field that starts with a double quote runs to the closing
// quote ("" stands for one quote inside it). quoted[i] tells whether field i was quoted.
void SplitFields(std::string_view line, std::vector<std::string>& fields, std::vector<bool>& quoted) {
  size_t i = 0;
  for (;;) {
    std::string field;
    bool wasQuoted = false;
    if (i < line.size() && line[i] == '"') {
      wasQuoted = true;
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
      // Anything between the closing quote and the next comma belongs to the field.
      while (i < line.size() && line[i] != ',') field += line[i++];
    } else {
      while (i < line.size() && line[i] != ',') field += line[i++];
    }
    fields.push_back(std::move(field));
    quoted.push_back(wasQuoted);
    if (i >= line.size()) break;
    ++i;  // the comma
  }
}

std::string Join(const std::vector<std::string>& fields, size_t from, size_t to) {
  std::string out;
  for (size_t i = from; i < to; ++i) {
    if (i > from) out += ',';
    out += fields[i];
  }
  return out;
}

std::optional<DescmapEntry> ParseLine(std::string_view line) {
  std::vector<std::string> fields;
  std::vector<bool> quoted;
  SplitFields(line, fields, quoted);
  // The last two fields are type and flag (a line without the flag is taken too); what comes
  // before is the display name and the file name. With more than two fields left, the commas
  // belong to a name: a quoted field settles where the split lies; otherwise the split that
  // makes the file name the display name plus an extension wins (Eudora makes its long file
  // names so), else the last comma.
  size_t names = 0;
  if (fields.size() >= 4 && fields[fields.size() - 2].size() == 1)
    names = fields.size() - 2;
  else if (fields.size() >= 3 && fields.back().size() == 1)
    names = fields.size() - 1;
  else
    return std::nullopt;
  const std::string& type = fields[names];
  size_t split = names - 1;  // index of the first field of the file name
  if (names > 2) {
    bool settled = false;
    for (size_t i = 0; i < names && !settled; ++i) {
      if (!quoted[i]) continue;
      split = i == 0 ? 1 : i;
      settled = true;
    }
    // "D,D.ext": the display name D is followed by a comma and D again; only the comma in
    // the middle of what comes before the last dot can split so.
    if (!settled) {
      const std::string both = Join(fields, 0, names);
      const size_t dot = both.rfind('.');
      if (dot != std::string::npos && dot % 2 == 1) {
        const size_t comma = dot / 2;
        if (both[comma] == ',' &&
            text::EqualsNoCase(std::string_view(both).substr(0, comma), std::string_view(both).substr(comma + 1, comma))) {
          // The field index that starts after that comma.
          size_t at = 0;
          for (size_t i = 0; i < names; ++i) {
            if (at == comma + 1) {
              split = i;
              settled = true;
              break;
            }
            at += fields[i].size() + 1;
          }
        }
      }
    }
  }
  DescmapEntry entry;
  entry.displayName = ToUTF8(Join(fields, 0, split));
  entry.fileName = ToUTF8(Join(fields, split, names));
  entry.type = type[0];
  if (entry.displayName.empty() || entry.fileName.empty()) return std::nullopt;
  return entry;
}

}  // namespace

std::vector<DescmapEntry> ParseDescmap(std::string_view bytes) {
  std::vector<DescmapEntry> entries;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    if (std::optional<DescmapEntry> entry = ParseLine(bytes.substr(start, end - start)))
      entries.push_back(std::move(*entry));
    start = end + 1;
  }
  return entries;
}

std::optional<std::string> DisplayNameAsFileName(std::string_view displayName) {
  std::string name(displayName);
  for (char& c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  return name;
}

}  // namespace discovery
