#include "mailboxes/thunderbird_writer.h"

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <vector>

#include "platform/encodings.h"
#include "text/ascii.h"
#include "mailboxes/enclosing_folders.h"

namespace mailboxes {

namespace {

bool IsUsableName(const std::string& name) { return !name.empty() && name != "." && name != ".."; }

std::string WithoutAffixes(const std::string& unicodeName, std::initializer_list<std::string_view> affixes) {
  std::string name = unicodeName;
  for (std::string_view affix : affixes) name = text::TrimAffix(std::move(name), affix);
  return IsUsableName(name) ? name : unicodeName;
}

// Creates an empty file unless an item of that name exists. Returns 0 or an errno value.
int CreateEmptyFile(const platform::FileSpec& file) {
  if (platform::Exists(file)) return 0;
  platform::OutputFile out;
  if (!out.Open(file.FullPath(), platform::OutputFile::Mode::kCreateNew)) return out.Error() == EEXIST ? 0 : out.Error();
  return out.Close() ? 0 : out.Error();
}

}  // namespace

std::string ThunderbirdFolderName(const std::string& unicodeName) { return ConvertedFolderName(unicodeName); }

std::string ThunderbirdMailboxName(const std::string& unicodeName) {
  return WithoutAffixes(unicodeName, {".mbx", ".MBX"});
}

std::string ThunderbirdMailboxName(const MailboxPlacement& placement) {
  return placement.userName ? *placement.userName : ThunderbirdMailboxName(placement.fileName);
}

std::string CreateFolderHierarchy(const MailboxPlacement& placement, const platform::FileSpec& baseFolder,
                                  platform::FileSpec& folder, int& error) {
  error = 0;
  std::string relativePath;
  folder = baseFolder;
  for (const std::string& name : placement.folders) {
    relativePath += name + "/";
    // The folder's own (empty) mail folder and summary; existing ones stay as they are.
    if ((error = CreateEmptyFile(platform::Child(folder, name))) != 0) return relativePath;
    if ((error = CreateEmptyFile(platform::Child(folder, name + ".msf"))) != 0) return relativePath;
    folder = platform::Child(folder, name + ".sbd");
    if ((error = platform::UseOrCreateFolder(folder)) != 0) return relativePath;
  }
  return relativePath;
}

uint32_t AttachmentStatus2(int32_t label, bool tocUsable) {
  constexpr uint32_t kHasAttachments = 0x10000000;
  constexpr int32_t kHighestLabel = 5;
  if (!tocUsable) return kHasAttachments;
  return kHasAttachments | static_cast<uint32_t>(std::clamp(label, 0, kHighestLabel)) << 25;
}

std::string LabelTagKey(int32_t label) {
  if (label < 1 || label > 15) return "";
  return "eudoralabel" + std::to_string(label);
}

std::string MozillaKeysLine(int32_t label) {
  const std::string key = LabelTagKey(label);
  return key.empty() ? key : "X-Mozilla-Keys: " + key + "\n";
}

void FromLineGuard::Begin() {
  Finish();
  firstLine_ = true;
  lineStart_ = true;
}

bool FromLineGuard::Write(std::string_view bytes) {
  constexpr std::string_view kFrom = "From ";
  std::string out;
  out.reserve(bytes.size() + 16);
  size_t i = 0;
  while (i < bytes.size()) {
    if (lineStart_ && !firstLine_) {
      // Hold the line's first bytes back until they can or cannot be "From ".
      const char c = bytes[i++];
      held_ += c;
      if (kFrom.starts_with(held_)) {
        if (held_.size() == kFrom.size()) {
          out += ' ';
          out += held_;
          held_.clear();
          lineStart_ = false;
        }
        continue;
      }
      out += held_;
      held_.clear();
      lineStart_ = c == '\n';
      continue;
    }
    const size_t lineEnd = bytes.find('\n', i);
    if (lineEnd == std::string_view::npos) {
      out.append(bytes.substr(i));
      lineStart_ = false;
      break;
    }
    out.append(bytes.substr(i, lineEnd + 1 - i));
    i = lineEnd + 1;
    lineStart_ = true;
    firstLine_ = false;
  }
  return out_.Write(out);
}

bool FromLineGuard::Finish() {
  if (held_.empty()) return !out_.Failed();
  const bool ok = out_.Write(held_);
  held_.clear();
  lineStart_ = false;
  return ok;
}

}  // namespace mailboxes
