#include "discovery/eudora_layout.h"

#include <array>
#include <vector>

#include "discovery/descmap.h"
#include "discovery/eudora_ini.h"
#include "platform/encodings.h"
#include "text/ascii.h"

namespace discovery {

namespace {

// Far above any real descmap.pce or Eudora.ini; a bigger file is not one.
constexpr size_t kMaxSettingsFileSize = 16u << 20;

// Eudora for Windows' own folders inside its data folder, lower case.
constexpr std::array<std::string_view, 8> kOwnFolders = {"attach", "embedded", "eudpriv", "plugins",
                                                         "spool",  "sigs",     "stationery", "search"};

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = text::AsciiLower(c);
  return lower;
}

bool IsFolder(const platform::FileSpec& item) { return platform::KindOf(item) == platform::ItemKind::kFolder; }

// The name in names equal to wanted without regard to case that is a folder inside folder.
std::optional<std::string> FindFolderNoCase(const platform::FileSpec& folder, const std::vector<std::string>& names,
                                            std::string_view wanted) {
  for (const std::string& name : names)
    if (text::EqualsNoCase(name, wanted) && IsFolder(platform::Child(folder, name))) return name;
  return std::nullopt;
}

bool IsFolOfMailboxes(std::string_view name) {
  return name.size() > 4 && text::EqualsNoCase(name.substr(name.size() - 4), ".fol");
}

}  // namespace

EudoraLayout::FolderFacts EudoraLayout::Gather(const platform::FileSpec& folder, const std::vector<std::string>& names) {
  FolderFacts facts;
  std::optional<std::string> descmap, ini;
  for (const std::string& name : names) {
    if (!descmap && text::EqualsNoCase(name, "descmap.pce")) descmap = name;
    if (!ini && text::EqualsNoCase(name, "Eudora.ini")) ini = name;
  }
  std::string bytes;
  if (descmap && platform::ReadFile(platform::Child(folder, *descmap), bytes, kMaxSettingsFileSize) == 0) {
    for (DescmapEntry& entry : ParseDescmap(bytes)) {
      std::optional<std::string> shown = DisplayNameAsFileName(entry.displayName);
      if (shown) facts.displayNames.emplace(Lower(entry.fileName), std::move(*shown));  // the first entry counts
    }
  }
  facts.windowsDataFolder = (descmap || ini) && !IsFolOfMailboxes(folder.name);
  if (!facts.windowsDataFolder) return facts;

  for (std::string_view own : kOwnFolders) facts.ownFolders.emplace(own);
  // AttachDir names a folder as Windows wrote it ("C:\Users\u\...\Eudora\My Attachments").
  // On this machine it is the folder of that last name inside the data folder, the same path
  // when it is a relative one, or the path itself when it already is one of this machine's.
  std::string attachDir;
  bytes.clear();
  if (ini && platform::ReadFile(platform::Child(folder, *ini), bytes, kMaxSettingsFileSize) == 0)
    attachDir = EudoraIniAttachDir(bytes);
  for (char& c : attachDir)
    if (c == '\\') c = '/';
  while (attachDir.size() > 1 && attachDir.back() == '/') attachDir.pop_back();
  if (!attachDir.empty() && attachDir.find('\0') == std::string::npos) {
    const size_t slash = attachDir.rfind('/');
    const std::string last = slash == std::string::npos ? attachDir : attachDir.substr(slash + 1);
    const bool windowsAbsolute = attachDir.size() >= 2 && attachDir[1] == ':';
    if (attachDir.front() == '/' && IsFolder(platform::FileSpecFromPath(attachDir))) {
      facts.folders.attachments = platform::FileSpecFromPath(attachDir);
      facts.folders.attachmentsFound = true;
    } else if (std::optional<std::string> found = last.empty() ? std::nullopt : FindFolderNoCase(folder, names, last)) {
      facts.folders.attachments = platform::Child(folder, *found);
      facts.folders.attachmentsFound = true;
      facts.ownFolders.insert(Lower(*found));
    } else if (!windowsAbsolute && attachDir.front() != '/' &&
               IsFolder(platform::FileSpecFromPath(folder.FullPath() + "/" + attachDir))) {
      facts.folders.attachments = platform::FileSpecFromPath(folder.FullPath() + "/" + attachDir);
      facts.folders.attachmentsFound = true;
    }
  }
  if (!facts.folders.attachmentsFound) {
    if (std::optional<std::string> found = FindFolderNoCase(folder, names, "attach")) {
      facts.folders.attachments = platform::Child(folder, *found);
      facts.folders.attachmentsFound = true;
    }
  }
  if (std::optional<std::string> found = FindFolderNoCase(folder, names, "Embedded")) {
    facts.folders.embedded = platform::Child(folder, *found);
    facts.folders.embeddedFound = true;
  }
  return facts;
}

const EudoraLayout::FolderFacts& EudoraLayout::Facts(const platform::FileSpec& folder,
                                                      const std::vector<std::string>* names) {
  const std::string key = folder.FullPath();
  auto it = facts_.find(key);
  if (it != facts_.end()) return it->second;
  std::vector<std::string> listed;
  if (!names) {
    if (!folder.name.empty()) platform::ListFolder(folder, listed);
    names = &listed;
  }
  return facts_.emplace(key, folder.name.empty() ? FolderFacts() : Gather(folder, *names)).first->second;
}

bool EudoraLayout::IsWindowsDataFolder(const platform::FileSpec& folder) { return Facts(folder).windowsDataFolder; }

bool EudoraLayout::IsWindowsDataFolder(const platform::FileSpec& folder, const std::vector<std::string>& names) {
  return Facts(folder, &names).windowsDataFolder;
}

std::optional<platform::FileSpec> EudoraLayout::WindowsDataFolderOf(const platform::FileSpec& item) {
  for (platform::FileSpec folder = platform::ParentOf(item); !folder.name.empty(); folder = platform::ParentOf(folder)) {
    if (IsWindowsDataFolder(folder)) return folder;
    if (!IsFolOfMailboxes(folder.name)) break;
  }
  return std::nullopt;
}

bool EudoraLayout::IsEudoraOwnFolder(const platform::FileSpec& dataFolder, std::string_view name) {
  return Facts(dataFolder).ownFolders.count(Lower(name)) != 0;
}

WindowsEudoraFolders EudoraLayout::FoldersOf(const platform::FileSpec& dataFolder) { return Facts(dataFolder).folders; }

std::optional<std::string> EudoraLayout::DisplayName(const platform::FileSpec& item) {
  const FolderFacts& facts = Facts(platform::ParentOf(item));
  auto it = facts.displayNames.find(Lower(platform::FileNameToUTF8(item.name)));
  if (it == facts.displayNames.end()) return std::nullopt;
  return it->second;
}

}  // namespace discovery
