// What the file system tells about Eudora's layout beyond single files: whether a folder is a
// Windows Eudora data folder, where such a folder keeps attachments and embedded images,
// which of its folders are Eudora's own, and the names Eudora for Windows shows for mailboxes
// and folders (from the "descmap.pce" beside them).
//
// A Windows Eudora data folder holds "Eudora.ini" and/or "descmap.pce" next to its mailboxes
// ("In.mbx" with "In.toc"); folders of mailboxes are "NAME.fol" folders with a descmap.pce of
// their own. Windows compares names without regard to letter case, and folders copied from
// Windows keep whatever case Eudora or the user gave them, so names are matched without case.
//
// Facts are gathered once per folder and kept for the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/files.h"

namespace discovery {

// Where a Windows data folder keeps received attachments and embedded images.
struct WindowsEudoraFolders {
  bool attachmentsFound = false;
  platform::FileSpec attachments;
  bool embeddedFound = false;
  platform::FileSpec embedded;
};

class EudoraLayout {
 public:
  // Whether folder is a Windows Eudora data folder: it holds "Eudora.ini" or "descmap.pce"
  // and is no "NAME.fol" folder of mailboxes.
  bool IsWindowsDataFolder(const platform::FileSpec& folder);
  // The same, for a folder whose listing is at hand (the walk lists every folder anyway).
  bool IsWindowsDataFolder(const platform::FileSpec& folder, const std::vector<std::string>& names);

  // The Windows data folder that item lies in, directly or inside its ".fol" folders.
  std::optional<platform::FileSpec> WindowsDataFolderOf(const platform::FileSpec& item);

  // Whether name, a folder directly inside the Windows data folder, is one of Eudora's own
  // folders ("attach", "Embedded", "EudPriv", "Plugins", "spool", "Sigs", "Stationery",
  // "Search", and the folder that AttachDir in Eudora.ini names), which hold no mail.
  bool IsEudoraOwnFolder(const platform::FileSpec& dataFolder, std::string_view name);

  // The attachments folder of a Windows data folder (the folder AttachDir names when it
  // exists, else "attach") and its embedded-images folder ("Embedded").
  WindowsEudoraFolders FoldersOf(const platform::FileSpec& dataFolder);

  // The name Eudora shows for a mailbox or folder, from the descmap.pce of the folder that
  // holds it, made fit for a file name ("/" becomes "_"). Nothing when there is no entry.
  std::optional<std::string> DisplayName(const platform::FileSpec& item);

 private:
  struct FolderFacts {
    bool windowsDataFolder = false;
    // Lower-case file name -> display name, from the folder's descmap.pce.
    std::unordered_map<std::string, std::string> displayNames;
    // Windows data folders only.
    WindowsEudoraFolders folders;
    std::unordered_set<std::string> ownFolders;  // lower-case names
  };
  // The folder's facts, gathered from names (its listing) or, without them, from a listing
  // made here.
  const FolderFacts& Facts(const platform::FileSpec& folder, const std::vector<std::string>* names = nullptr);
  FolderFacts Gather(const platform::FileSpec& folder, const std::vector<std::string>& names);

  std::unordered_map<std::string, FolderFacts> facts_;
};

}  // namespace discovery
