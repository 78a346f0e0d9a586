// The walk over dropped folders, the classification of each file met, and the search for
// Eudora's "Attachments Folder" and "Parts Folder".
#include <array>
#include <string>

#include "app/ferrolin.h"
#include "discovery/classify.h"
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
  if (mItems) mItems->push_back(std::make_unique<QueuedFile>(QueuedFile{file, depth, kind}));
  if (mSourceFlavour != kFlavourMozilla && !attachmentsFound && !partsFound)
    LocateAttachmentFolder(file, attachmentsFound, partsFound, attachmentsFolder, partsFolder);
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
  for (const std::string& name : names) {
    platform::FileSpec item = platform::Child(folder, name);
    // Fork sidecars belong to their files; they are not items of their own.
    if (platform::IsForkCompanion(item)) continue;
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
  const std::string path = file.FullPath();
  const std::string fileName = file.name;
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
    if (fileName != "Eudora Folder") FSPGetParentSpec(top);
  } else {
    at = path.find("Mail Folder/");
    if (at == std::string::npos) return;
    for (int ups = separatorsAfter(at); ups > 0; --ups) FSPGetParentSpec(top);
    FSPGetParentSpec(top);
  }
  platform::FileSpec parts = platform::Child(top, "Parts Folder");
  partsFound = platform::Exists(parts);
  partsFolder = parts;
  platform::FileSpec attachments = platform::Child(top, "Attachments Folder");
  attachmentsFound = platform::Exists(attachments);
  attachmentsFolder = attachments;
  bool isFolder = false;
  if (partsFound) ResolveAliasesAndSymlinks(partsFolder, isFolder);
  if (attachmentsFound) ResolveAliasesAndSymlinks(attachmentsFolder, isFolder);
}
