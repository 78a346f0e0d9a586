#include "mailboxes/attachments.h"

#include <algorithm>
#include <cstdio>

#include "mailboxes/header_charset.h"
#include "platform/encodings.h"
#include "text/ascii.h"
#include "text/recode.h"

namespace mailboxes {

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr size_t kMaxStoredName = 255;  // the longest name a file system stores
constexpr size_t kMaxMacName = 63;      // names in a Mac file reference
// Data is read and encoded in pieces of whole Base64 lines.
constexpr size_t kDataPiece = 57 * 1150;

constexpr std::string_view kFrenchPrefix = "Annexe convertie: ";
constexpr std::string_view kGermanPrefix = "Anlage konvertiert: ";
constexpr std::string_view kAttachmentPrefixes[] = {"Attachment converted: ", kFrenchPrefix, kGermanPrefix};

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Characters of UTF-8 text (bytes that do not continue a sequence).
size_t CountCharacters(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// A value for a header line: control bytes (which would end the header or start another
// one) become blanks; within quotes, '"' and '\' are escaped.
std::string HeaderText(std::string_view text, bool quoted) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      out += ' ';
      continue;
    }
    if (quoted && (c == '"' || c == '\\')) out += '\\';
    out += c;
  }
  return out;
}

std::string Hex(uint32_t code) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%X", code);
  return buf;
}

// The Mac name of a file for its AppleSingle/AppleDouble header, from its UTF-8 name.
std::string MacName(std::string_view utf8Name) {
  std::string name(utf8Name);
  std::erase(name, '\0');
  text::RecodeString(name, platform::kUTF8, platform::kMacRoman);
  if (name.size() > kMaxMacName) name.resize(kMaxMacName);
  return name;
}

void WriteMissingAttachment(platform::OutputStream& out, const std::string& name, AttachmentLanguage language,
                            const std::string& boundary, int32_t flavour) {
  if (!boundary.empty()) {
    out.Write("--" + boundary);
    const size_t p7s = name.find(".p7s");
    if (p7s != npos && p7s + 4 == name.size())
      out.Write("\nContent-Type: application/pkcs7-signature;\nContent-Disposition: attachment;\n\n\n");
    else
      out.Write("\nContent-Type: text/plain; charset=\"UTF-8\"\nContent-Disposition: inline;\n\n\n");
  }
  out.Write("\"" + name + "\"");
  switch (language) {
    case AttachmentLanguage::kFrench: out.Write(" (annexe absent)\n\n"); break;
    case AttachmentLanguage::kGerman: out.Write(" (Anlage fehlt)\n\n"); break;
    default: out.Write(" (missing attachment)\n\n"); break;
  }
  if (!boundary.empty()) {
    // The text of the message goes on in a part of its own.
    out.Write("--" + boundary);
    out.Write(flavour == 2 ? "\nContent-Type: text/plain; charset=\"ISO-2022-JP\"\n\n"
                           : "\nContent-Type: text/plain; charset=\"ISO-8859-1\"\n\n");
  }
}

}  // namespace

AttachmentLanguage AttachmentLineLanguage(std::string_view line) {
  if (text::StartsWithNoCase(line, kFrenchPrefix)) return AttachmentLanguage::kFrench;
  if (text::StartsWithNoCase(line, kGermanPrefix)) return AttachmentLanguage::kGerman;
  return AttachmentLanguage::kEnglish;
}

std::string AttachmentFileName(std::string_view line) {
  if (!line.empty() && line.back() == ')') {
    // Mac form: "path (TYPE/CREA) (number)". The path ends before the blank in front of the
    // type and creator group, and the name is its last component.
    const size_t last = line.rfind('(');
    const size_t group = last == npos || last == 0 ? npos : line.rfind('(', last - 1);
    if (group != npos) {
      size_t end = group;
      if (end > 0 && line[end - 1] == ' ') --end;
      const std::string_view path = line.substr(0, end);
      const size_t colon = path.rfind(':');
      return std::string(colon == npos ? path : path.substr(colon + 1));
    }
  }
  // Windows form: a backslash path, perhaps in double quotes.
  std::string_view path = line;
  if (!path.empty() && path.back() == '"') path.remove_suffix(1);
  const size_t backslash = path.rfind('\\');
  if (backslash != npos) return std::string(path.substr(backslash + 1));
  // No folder at all: the name is what follows the line's prefix.
  for (std::string_view prefix : kAttachmentPrefixes) {
    if (text::StartsWithNoCase(path, prefix)) {
      path.remove_prefix(prefix.size());
      break;
    }
  }
  if (!path.empty() && path.front() == '"') path.remove_prefix(1);
  return std::string(path);
}

std::string StoredFileName(std::string_view name) {
  std::string stored(name.substr(0, std::min(name.size(), kMaxStoredName)));
  std::replace(stored.begin(), stored.end(), '/', ':');
  return stored;
}

std::string DisplayFileName(std::string_view storedName) {
  std::string name = platform::FileNameToUTF8(storedName);
  std::replace(name.begin(), name.end(), ':', '/');
  return name;
}

bool ParseTruncatedName(std::string_view name, TruncatedName& out) {
  const size_t hash = name.rfind('#');
  if (hash == npos) return false;
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != npos && dot > hash;
  const std::string_view number = name.substr(hash + 1, (hasExtension ? dot : name.size()) - hash - 1);
  if (number.empty() || !std::all_of(number.begin(), number.end(), IsHexDigit)) return false;
  const std::string_view stem = name.substr(0, hash);
  if (CountCharacters(stem) <= 9) return false;
  out.stem.assign(stem);
  out.extension = hasExtension ? std::string(name.substr(dot)) : std::string();
  return true;
}

TruncatedNameIndex::TruncatedNameIndex(const std::vector<std::string>& storedNames) {
  all_.reserve(storedNames.size());
  for (const std::string& stored : storedNames) all_.emplace_back(platform::FileNameToUTF8(stored), stored);
  std::sort(all_.begin(), all_.end());
  std::vector<std::pair<std::string, size_t>> extensions;  // extension, position in all_
  extensions.reserve(all_.size());
  for (size_t i = 0; i < all_.size(); ++i) {
    const size_t dot = all_[i].first.rfind('.');
    if (dot != npos) extensions.emplace_back(all_[i].first.substr(dot), i);
  }
  std::stable_sort(extensions.begin(), extensions.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [extension, i] : extensions) {
    if (byExtension_.empty() || byExtension_.back().first != extension) byExtension_.emplace_back(extension, std::vector<Entry>());
    byExtension_.back().second.push_back(all_[i]);  // still in name order
  }
}

std::vector<std::string> TruncatedNameIndex::Find(const TruncatedName& name,
                                                  const std::function<bool(const std::string&)>& usable,
                                                  size_t limit) const {
  std::vector<std::string> found;
  const std::vector<Entry>* entries = &all_;
  if (!name.extension.empty()) {
    auto group = std::lower_bound(byExtension_.begin(), byExtension_.end(), name.extension,
                                  [](const auto& g, const std::string& e) { return g.first < e; });
    if (group == byExtension_.end() || group->first != name.extension) return found;
    entries = &group->second;
  }
  auto it = std::lower_bound(entries->begin(), entries->end(), name.stem,
                             [](const Entry& e, const std::string& stem) { return e.first < stem; });
  for (; it != entries->end() && found.size() < limit && it->first.starts_with(name.stem); ++it) {
    if (it->first.ends_with(name.extension) && usable(it->second)) found.push_back(it->second);
  }
  return found;
}

std::string_view AttachmentMimeType(uint32_t type, uint32_t creator, std::string_view encodedName) {
  struct Code {
    uint32_t code;
    std::string_view mime;
  };
  static constexpr Code kTypes[] = {
      {0x54455854, "text/plain"},      {0x47494666, "image/gif"},       {0x54494646, "image/tiff"},
      {0x504E4766, "image/png"},       {0x4A504547, "image/jpeg"},      {0x424D5020, "image/bmp"},
      {0x4D504547, "video/mpeg"},      {0x554C4157, "audio/basic"},     {0x50444620, "application/pdf"},
      {0x45505346, "application/postscript"},
  };
  static constexpr Code kCreators[] = {
      {0x4D535744, "application/msword"},
      {0x5843454C, "application/vnd.ms-excel"},
      {0x50505433, "application/vnd.ms-powerpoint"},
  };
  struct Extension {
    std::string_view suffix;
    std::string_view mime;
  };
  static constexpr Extension kExtensions[] = {
      {".gif", "image/gif"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".jpe", "image/jpeg"},
      {".tif", "image/tiff"},
      {".tiff", "image/tiff"},
      {".png", "image/png"},
      {".bmp", "image/bmp"},
      {".pdf", "application/pdf"},
      {".ps", "application/postscript"},
      {".eps", "application/postscript"},
      {".doc", "application/msword"},
      {".dot", "application/msword"},
      {".xls", "application/vnd.ms-excel"},
      {".xlt", "application/vnd.ms-excel"},
      {".ppt", "application/vnd.ms-powerpoint"},
      {".pps", "application/vnd.ms-powerpoint"},
      {".p7s", "application/pkcs7-signature"},
  };
  for (const Code& c : kTypes)
    if (c.code == type) return c.mime;
  for (const Code& c : kCreators)
    if (c.code == creator) return c.mime;
  // Extensions compare with their case, on the first 255 bytes of the name.
  const std::string_view name = encodedName.substr(0, std::min(encodedName.size(), kMaxStoredName));
  for (const Extension& e : kExtensions)
    if (name.ends_with(e.suffix)) return e.mime;
  return "application/octet-stream";
}

std::string AppleFileHeader(bool hasDataFork, const platform::FinderInfo& finder, std::string_view macName,
                            uint32_t resourceForkLength) {
  std::string out;
  auto u16 = [&out](uint32_t v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
  };
  auto u32 = [&](uint32_t v) {
    u16(v >> 16);
    u16(v & 0xFFFF);
  };
  const uint32_t nameLength = static_cast<uint32_t>(macName.size());
  u32(hasDataFork ? 0x00051607 : 0x00051600);  // AppleDouble beside a data part, else AppleSingle
  u32(0x00020000);
  out.append(16, '\0');
  u16(3);
  u32(9), u32(62), u32(10);                                    // Finder information
  u32(3), u32(72), u32(nameLength);                            // the file's name
  u32(2), u32(72 + nameLength), u32(resourceForkLength);      // the resource fork
  u32(finder.type), u32(finder.creator), u16(finder.flags);
  out.append(macName);
  return out;
}

void Base64Writer::Write(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto group = [this](unsigned char a, unsigned char b, unsigned char c) {
    buffer_ += kAlphabet[a >> 2];
    buffer_ += kAlphabet[((a & 0x03) << 4) | (b >> 4)];
    buffer_ += kAlphabet[((b & 0x0F) << 2) | (c >> 6)];
    buffer_ += kAlphabet[c & 0x3F];
    if (++groupsInLine_ == 19) {
      buffer_ += '\n';
      groupsInLine_ = 0;
    }
  };
  size_t i = 0;
  auto byte = [&bytes](size_t at) { return static_cast<unsigned char>(bytes[at]); };
  // Bytes left over from the last piece come first.
  while (carried_ > 0 && carried_ < 3 && i < bytes.size()) {
    if (carried_ == 2) {
      group(carry_[0], carry_[1], byte(i++));
      carried_ = 0;
    } else {
      carry_[1] = byte(i++);
      carried_ = 2;
    }
  }
  buffer_.reserve(buffer_.size() + (bytes.size() - i) / 3 * 4 + (bytes.size() - i) / 57 + 8);
  for (; i + 3 <= bytes.size(); i += 3) {
    group(byte(i), byte(i + 1), byte(i + 2));
    if (buffer_.size() >= 64 * 1024) Flush();
  }
  while (i < bytes.size()) carry_[carried_++] = byte(i++);
  Flush();
}

void Base64Writer::Finish() {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (carried_ == 2) {
    buffer_ += kAlphabet[carry_[0] >> 2];
    buffer_ += kAlphabet[((carry_[0] & 0x03) << 4) | (carry_[1] >> 4)];
    buffer_ += kAlphabet[(carry_[1] & 0x0F) << 2];
    buffer_ += '=';
  } else if (carried_ == 1) {
    buffer_ += kAlphabet[carry_[0] >> 2];
    buffer_ += kAlphabet[(carry_[0] & 0x03) << 4];
    buffer_ += "==";
  }
  carried_ = 0;
  groupsInLine_ = 0;
  Flush();
}

void Base64Writer::Flush() {
  if (buffer_.empty()) return;
  out_.Write(buffer_);
  buffer_.clear();
}

void ReencodeAttachment(platform::OutputStream& out, AttachmentFile& file, const std::string& boundary,
                        const std::string& name, const std::string& contentId) {
  std::string encoded = name;
  MIMEEncode(encoded, platform::kUTF8);
  const std::string n = HeaderText(encoded, true);
  const std::string cid = HeaderText(contentId, false);
  const bool hasData = file.data && file.data->SourceSize() != 0;
  const bool hasResource = !file.resourceFork.empty() && file.resourceFork.size() <= UINT32_MAX;
  const std::string inner = boundary + "_Frlnatt";

  if (!boundary.empty() && hasData && hasResource) {
    out.Write("\n--" + boundary + "\n");
    if (!cid.empty()) out.Write("Content-ID: <" + cid + ">\n");
    out.Write("Content-Type: multipart/appledouble;\n\tboundary=\"" + inner + "\"\n");
    out.Write(cid.empty() ? "Content-Disposition: attachment\n" : "Content-Disposition: inline;\n\tfilename=\"" + n + "\"");
    out.Write("\n\n");
  }

  if (hasResource) {
    if (!boundary.empty()) {
      out.Write("--" + (hasData ? inner : boundary) + "\nContent-Transfer-Encoding: base64\n");
      out.Write("Content-Type: application/applefile;\n\tname=\"" + n + "\"\nContent-Disposition: attachment;\n\tfilename=\"" +
                n + "\"\n\n");
    } else {
      out.Write("Content-Transfer-Encoding: base64\nContent-Type: application/applefile;\n\tname=\"" + n +
                "\"\nContent-Disposition: inline;\n\tfilename=\"" + n + "\"\n\n");
    }
    Base64Writer base64(out);
    base64.Write(AppleFileHeader(hasData, file.finder, file.macName, static_cast<uint32_t>(file.resourceFork.size())));
    base64.Write(file.resourceFork);
    base64.Finish();
    out.Write("\n\n");
  }

  // A file without either fork still shows as an (empty) part of its own.
  if (!hasData && hasResource) return;

  if (!boundary.empty()) {
    std::string header = "--" + (hasResource ? inner : boundary) + "\nContent-Transfer-Encoding: base64\nContent-Type: ";
    header += AttachmentMimeType(file.finder.type, file.finder.creator, encoded);
    header += ";\n";
    if (file.finder.type != 0) header += "\tx-mac-type=" + Hex(file.finder.type) + ";\n";
    if (file.finder.creator != 0) header += "\tx-mac-creator=" + Hex(file.finder.creator) + ";\n";
    header += "\tname=\"" + n + "\"\n";
    if (!cid.empty()) header += "Content-ID: <" + cid + ">\n";
    header += hasResource || cid.empty() ? "Content-Disposition: attachment;\n\tfilename=\"" : "Content-Disposition: inline;\n\tfilename=\"";
    header += n + "\"\n\n";
    out.Write(header);
  }
  Base64Writer base64(out);
  if (hasData) {
    platform::ByteStream& data = *file.data;
    data.Seek(0);
    std::string piece;
    for (;;) {
      piece.clear();
      if (data.Read(piece, kDataPiece) == 0) break;
      base64.Write(piece);
    }
  }
  base64.Finish();
  out.Write("\n\n");
  if (hasResource && !boundary.empty()) out.Write("--" + inner + "--\n\n");
}

DiskAttachmentFolder::DiskAttachmentFolder(platform::FileSpec folder) : index_(std::move(folder)) {}

bool DiskAttachmentFolder::IsUsableFile(const std::string& storedName, platform::FileSpec& file) {
  // Resource-fork sidecars belong to their files; they are no attachments of their own.
  return index_.FindFile(storedName, file) && !platform::IsForkCompanion(platform::FileSpec{index_.Folder().FullPath(), storedName});
}

bool DiskAttachmentFolder::Open(const std::string& storedName, AttachmentFile& file) {
  platform::FileSpec found;
  if (!IsUsableFile(storedName, found)) return false;
  file = AttachmentFile{};
  // A fork that cannot be read gives no bytes.
  file.data = platform::FileStream::Open(found);
  platform::ForkInfo forks;
  if (platform::ReadForks(found, forks)) {
    file.finder = forks.finder;
    if (forks.has_resource_fork) file.resourceFork = std::move(forks.resource_fork);
  }
  file.macName = MacName(DisplayFileName(storedName));
  return true;
}

std::vector<std::string> DiskAttachmentFolder::FindTruncated(const TruncatedName& name) {
  if (!names_) names_ = std::make_unique<TruncatedNameIndex>(index_.Names());
  return names_->Find(name, [this](const std::string& stored) {
    platform::FileSpec found;
    return IsUsableFile(stored, found);
  });
}

bool ConvertAttachment(platform::OutputStream& out, std::string_view line, const std::string& boundary,
                       AttachmentFolder* folder, bool isApplication, int32_t flavour, ReattachReport& report) {
  const AttachmentLanguage language = AttachmentLineLanguage(line);
  std::string name = AttachmentFileName(line);
  if (name.empty()) {
    report.Done("  Missing attachment \"\"\n", false);
    return false;
  }

  std::string suffix;
  std::string found;  // the stored name of the file found
  AttachmentFile file;
  const std::string stored = StoredFileName(name);
  if (folder && platform::IsValidUTF8(stored)) {
    if (folder->Open(stored, file)) {
      found = stored;
    } else if (TruncatedName truncated; ParseTruncatedName(stored, truncated)) {
      const std::vector<std::string> matches = folder->FindTruncated(truncated);
      if (matches.size() == 1 && folder->Open(matches[0], file)) {
        found = matches[0];
        suffix = " (nodeID changed - taking single match for truncated file name '" + name + "')";
      } else if (matches.size() > 1) {
        suffix = " (nodeID changed - multiple possible matches for truncated file name)";
      }
    }
  }

  if (!found.empty()) {
    name = DisplayFileName(found);
    report.Progress("Attachment: " + name);
    ReencodeAttachment(out, file, boundary, name, "");
    report.Done("  Recovering attachment \"" + name + "\"" + suffix + "\n", true);
  } else {
    if (!isApplication) WriteMissingAttachment(out, name, language, boundary, flavour);
    report.Done("  Missing attachment \"" + name + "\"" + suffix + "\n", false);
  }
  return true;
}

}  // namespace mailboxes
