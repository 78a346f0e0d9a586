#include "mailboxes/enclosing_folders.h"

#include <algorithm>

#include "discovery/eudora_layout.h"
#include "discovery/file_refs.h"
#include "platform/encodings.h"
#include "text/ascii.h"

namespace mailboxes {

namespace {

bool IsUsableName(const std::string& name) { return !name.empty() && name != "." && name != ".."; }

}  // namespace

std::string ConvertedFolderName(const std::string& unicodeName) {
  std::string name = unicodeName;
  for (std::string_view suffix : {".fol", ".FOL", ".sbd", ".SBD"}) name = text::TrimAffix(std::move(name), suffix);
  return IsUsableName(name) ? name : unicodeName;
}

std::vector<platform::FileSpec> EnclosingEudoraFolders(const platform::FileSpec& mailbox, int32_t depth,
                                                       discovery::EudoraLayout* layout) {
  const platform::FileSpec holder = platform::ParentOf(mailbox);
  int64_t levels = depth;
  const bool inMailFolder = platform::FileNameToUTF8(holder.name) == "Mail Folder" ||
                            (layout && !holder.name.empty() && layout->IsWindowsDataFolder(holder));
  if (levels < 1 && !inMailFolder) ++levels;
  std::vector<platform::FileSpec> folders;
  for (platform::FileSpec f = holder; static_cast<int64_t>(folders.size()) < levels && !f.name.empty();
       f = platform::ParentOf(f))
    folders.push_back(f);
  std::reverse(folders.begin(), folders.end());
  return folders;
}

std::string MailboxPlacement::Name() const {
  if (userName) return *userName;
  return text::TrimAffix(text::TrimAffix(fileName, ".mbx"), ".MBX");
}

std::string MailboxPlacement::RelativePath() const {
  std::string path;
  for (const std::string& folder : folders) path += folder + "/";
  return path;
}

MailboxPlacement PlaceMailbox(const platform::FileSpec& mailbox, int32_t depth, discovery::EudoraLayout* layout) {
  MailboxPlacement placement;
  for (const platform::FileSpec& folder : EnclosingEudoraFolders(mailbox, depth, layout)) {
    std::optional<std::string> shown = layout ? layout->DisplayName(folder) : std::nullopt;
    std::string name = shown ? std::move(*shown) : ConvertedFolderName(platform::FileNameToUTF8(folder.name));
    if (IsUsableName(name)) placement.folders.push_back(std::move(name));
  }
  placement.fileName = GetUnicodeFilename(mailbox, 0);
  if (layout) placement.userName = layout->DisplayName(mailbox);
  return placement;
}

}  // namespace mailboxes
