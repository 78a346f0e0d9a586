#include "mailboxes/enclosing_folders.h"

#include <algorithm>

#include "platform/encodings.h"
#include "text/ascii.h"

namespace mailboxes {

std::string ConvertedFolderName(const std::string& unicodeName) {
  std::string name = unicodeName;
  for (std::string_view suffix : {".fol", ".FOL", ".sbd", ".SBD"}) name = text::TrimAffix(std::move(name), suffix);
  const bool usable = !name.empty() && name != "." && name != "..";
  return usable ? name : unicodeName;
}

std::vector<platform::FileSpec> EnclosingEudoraFolders(const platform::FileSpec& mailbox, int32_t depth) {
  const platform::FileSpec holder = platform::ParentOf(mailbox);
  int64_t levels = depth;
  if (levels < 1 && platform::FileNameToUTF8(holder.name) != "Mail Folder") ++levels;
  std::vector<platform::FileSpec> folders;
  for (platform::FileSpec f = holder; static_cast<int64_t>(folders.size()) < levels && !f.name.empty();
       f = platform::ParentOf(f))
    folders.push_back(f);
  std::reverse(folders.begin(), folders.end());
  return folders;
}

}  // namespace mailboxes
