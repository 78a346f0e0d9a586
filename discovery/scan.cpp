// The walk over dropped folders, the classification of each file met, and the search for
// Eudora's "Attachments Folder" and "Parts Folder".
#include <array>
#include <optional>
#include <string>

#include "app/ferrolin.h"
#include "discovery/classify.h"
#include "discovery/eudora_layout.h"
#include "discovery/file_refs.h"
#include "platform/encodings.h"
#include "platform/forks.h"
#include "text/ascii.h"

namespace {

// Eudora's own folders inside its data folder: they hold no convertible data.
constexpr std::array<std::string_view, 10> kSkippedFolders = {
    "Ad Folder",           "Attachments Folder", "Cache Folder",     "Delivery Folder", "Eudora Items",
    "Link History Folder", "Parts Folder",       "Signature Folder", "Spool Folder",    "Stationary Folder"};

bool IsSkippedFolder(std::string_view name) {
  for (std::string_view skipped : kSkippedFolders)
    if (name == skipped) return true;
  return false;
}

// The Mac data folder a file's path leads to: the folder named "Eudora Folder" on it, else
// the folder that holds the "Mail Folder" on it; nothing when the path names neither.
std::optional<platform::FileSpec> MacDataFolderOf(const platform::FileSpec& file) {
  const std::string path = file.FullPath();
  // Counts the separators after position from that are not the path's last character.
  auto separatorsAfter = [&path](size_t from) {
    int count = 0;
    for (size_t i = from + 1; i + 1 < path.size(); ++i)
      if (path[i] == '/') ++count;
    return count;
  };
  platform::FileSpec top = file;
  size_t at = path.find("Eudora Folder/");
  if (at != std::string::npos) {
    for (int ups = separatorsAfter(at + 13); ups > 0; --ups) FSPGetParentSpec(top);
    if (file.name != "Eudora Folder") FSPGetParentSpec(top);
  } else {
    at = path.find("Mail Folder/");
    if (at == std::string::npos) return std::nullopt;
    for (int ups = separatorsAfter(at); ups > 0; --ups) FSPGetParentSpec(top);
    FSPGetParentSpec(top);
  }
  return top;
}

}  // namespace

bool Ferrolin::IsConvertableFile(const platform::FileSpec& file, int32_t depth, int16_t& kind) {
  if (file.name == ".DS_Store" || file.name == "Icon\r") return false;
  // Only regular files are opened; anything else (a device, a pipe, a link that leads
  // nowhere) reads as an unreadable file.
  std::unique_ptr<platform::FileStream> in;
  if (platform::KindOf(file) == platform::ItemKind::kFile) in = platform::FileStream::Open(file);

  const std::string displayName = GetUnicodeFilename(file, depth);
  RefreshFileName(displayName);

  int16_t found = 0;
  if (in) found = ClassifyFirstLines(*in);
  if (found != 0) {
    kind = found;
    if (found == kindMailbox) mHasMailboxes = true;
    WriteLog("\"" + displayName + "\" (");
    WriteLog(found == kindMailbox ? "mailbox)\n" : found == kindNicknameFile ? "nickname file)\n" : "filter file)\n");
    return true;
  }

  const int64_t size = in ? static_cast<int64_t>(in->SourceSize()) : platform::FileSize(file);
  std::string verdict;
  if (mSourceFlavour != kFlavourMozilla && (text::EndsWith(displayName, ".toc") || text::EndsWith(displayName, ".TOC"))) {
    std::string head;
    if (in) {
      in->Seek(0);
      in->Read(head, kTocCountBytes);
    }
    switch (ClassifyTableOfContents(size < 0 ? 0 : static_cast<uint64_t>(size), head)) {
      case TocVerdict::kWindows: verdict = "\" (Windows TOC file)\n"; break;
      case TocVerdict::kOldMac: verdict = "\" (old-style Mac TOC file)\n"; break;
      case TocVerdict::kUnknown: verdict = "\" (unknown format)\n"; break;
    }
  } else {
    verdict = size == 0 ? "\" (empty file)\n" : "\" (unknown format)\n";
  }
  WriteLog("\"" + displayName + verdict);
  return false;
}

bool Ferrolin::AddIfIsConvertableFile(const platform::FileSpec& file, int32_t depth, bool& attachmentsFound,
                                      bool& partsFound, platform::FileSpec& attachmentsFolder,
                                      platform::FileSpec& partsFolder) {
  int16_t kind = 0;
  if (!IsConvertableFile(file, depth, kind)) return false;
  bool wanted = (kind == kindMailbox && mConvertMailboxes) || (kind == kindFilterFile && mConvertFilters) ||
                (kind == kindNicknameFile && mConvertNicknames);
  if (!wanted) return false;
  auto queued = std::make_unique<QueuedFile>(QueuedFile{file, depth, kind});
  if (mSourceFlavour != kFlavourMozilla) {
    // Each file remembers its own data folder's Eudora folders, so that a run over several
    // data folders takes every attachment from the right one; the run's own four results are
    // those of the first data folder that has one of them, for files that lie in none.
    queued->eudoraFolders = LocateEudoraFolders(file);
    if (!attachmentsFound && !partsFound)
      LocateAttachmentFolder(file, attachmentsFound, partsFound, attachmentsFolder, partsFolder);
  }
  if (mItems) mItems->push_back(std::move(queued));
  return true;
}

void Ferrolin::ScanFolderForConvertableFiles(const platform::FileSpec& folder, int32_t depth, bool& attachmentsFound,
                                             bool& partsFound, platform::FileSpec& attachmentsFolder,
                                             platform::FileSpec& partsFolder) {
  if (mCancelled) {
    DoQuit();
    return;
  }
  // A link that leads back into a folder already walked is not followed again.
  if (!EnterFolderOnce(folder)) return;
  std::vector<std::string> names;
  platform::ListFolder(folder, names);
  // A Windows data folder plays the Mac "Mail Folder"'s part; its own folders hold no mail.
  const bool windowsDataFolder = Layout().IsWindowsDataFolder(folder, names);
  for (const std::string& name : names) {
    platform::FileSpec item = platform::Child(folder, name);
    // Fork sidecars belong to their files; they are not items of their own.
    if (platform::IsForkCompanion(item)) continue;
    if (windowsDataFolder && Layout().IsEudoraOwnFolder(folder, name) &&
        platform::KindOf(item) == platform::ItemKind::kFolder)
      continue;
    bool isFolder = false;
    ResolveAliasesAndSymlinks(item, isFolder);
    if (isFolder) {
      if (depth == -2 && IsSkippedFolder(item.name)) continue;
      ScanFolderForConvertableFiles(item, depth + 1, attachmentsFound, partsFound, attachmentsFolder, partsFolder);
    } else if (item.name != "History List" && item.name != ".DS_Store") {
      if (AddIfIsConvertableFile(item, depth + 1, attachmentsFound, partsFound, attachmentsFolder, partsFolder))
        ++mFileCount;
    }
  }
}

void Ferrolin::LocateAttachmentFolder(platform::FileSpec file, bool& attachmentsFound, bool& partsFound,
                                      platform::FileSpec& attachmentsFolder, platform::FileSpec& partsFolder) {
  const int32_t index = LocateEudoraFolders(file);
  if (index < 0) return;
  const EudoraFolders& found = mEudoraFolders[static_cast<size_t>(index)];
  attachmentsFound = found.attachmentsFound;
  partsFound = found.partsFound;
  attachmentsFolder = found.attachmentsFolder;
  partsFolder = found.partsFolder;
}

int32_t Ferrolin::LocateEudoraFolders(const platform::FileSpec& file) {
  // A file of a Windows data folder (directly or in its .fol folders), else one whose path
  // leads to a Mac data folder.
  const std::optional<platform::FileSpec> windows = Layout().WindowsDataFolderOf(file);
  const std::optional<platform::FileSpec> top = windows ? windows : MacDataFolderOf(file);
  if (!top) return -1;
  const std::string key = top->FullPath();
  if (auto it = mDataFolderIndex.find(key); it != mDataFolderIndex.end()) return it->second;

  EudoraFolders found;
  if (windows) {
    // "attach" (or what Eudora.ini names) and "Embedded".
    const discovery::WindowsEudoraFolders folders = Layout().FoldersOf(*top);
    found.attachmentsFound = folders.attachmentsFound;
    found.attachmentsFolder = folders.attachmentsFound ? folders.attachments : platform::Child(*top, "attach");
    found.partsFound = folders.embeddedFound;
    found.partsFolder = folders.embeddedFound ? folders.embedded : platform::Child(*top, "Embedded");
  } else {
    found.partsFolder = platform::Child(*top, "Parts Folder");
    found.partsFound = platform::Exists(found.partsFolder);
    found.attachmentsFolder = platform::Child(*top, "Attachments Folder");
    found.attachmentsFound = platform::Exists(found.attachmentsFolder);
    bool isFolder = false;
    if (found.partsFound) ResolveAliasesAndSymlinks(found.partsFolder, isFolder);
    if (found.attachmentsFound) ResolveAliasesAndSymlinks(found.attachmentsFolder, isFolder);
  }
  mEudoraFolders.push_back(found);
  return mDataFolderIndex[key] = static_cast<int32_t>(mEudoraFolders.size() - 1);
}

discovery::EudoraLayout& Ferrolin::Layout() {
  if (!mLayout) mLayout = std::make_unique<discovery::EudoraLayout>();
  return *mLayout;
}

void Ferrolin::ResetEudoraLayout() {
  mLayout.reset();
  mEudoraFolders.clear();
  mDataFolderIndex.clear();
}
