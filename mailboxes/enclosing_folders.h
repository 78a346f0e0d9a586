// Where a converted mailbox goes in the target's tree: the Eudora folders that enclose it,
// and the names they and the mailbox get there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace discovery {
class EudoraLayout;
}

namespace mailboxes {

// A Eudora folder's name in the target: without its ".fol" (Mac) and ".sbd" suffixes. A name
// that would be left empty, "." or ".." keeps its suffix, so a folder never lands on the
// current folder or above it.
std::string ConvertedFolderName(const std::string& unicodeName);

// The Eudora folders that enclose the mailbox in the converted tree, outermost first: the
// depth folders above it, plus the folder that holds a mailbox lying outside Eudora's mail
// folder (so that mailboxes of different folders do not meet in one list). The mail folder is
// the Mac "Mail Folder" or, with a layout, a Windows Eudora data folder. The walk stops at the
// root.
std::vector<platform::FileSpec> EnclosingEudoraFolders(const platform::FileSpec& mailbox, int32_t depth,
                                                       discovery::EudoraLayout* layout = nullptr);

// The names a mailbox gets in the target.
struct MailboxPlacement {
  // The enclosing folders' names, outermost first (names that cannot be folder names are left out).
  std::vector<std::string> folders;
  std::string fileName;                 // the mailbox file's UTF-8 name
  std::optional<std::string> userName;  // the name Eudora showed for it, when its folder tells

  // The mailbox's own name: the name Eudora showed, else the file name without ".mbx".
  std::string Name() const;
  // Each enclosing folder's name followed by "/".
  std::string RelativePath() const;
};

// The placement of a mailbox of the given depth. With a layout, folders and mailboxes that a
// descmap.pce names take the names Eudora for Windows showed; the others keep the file-name
// rules (ConvertedFolderName).
MailboxPlacement PlaceMailbox(const platform::FileSpec& mailbox, int32_t depth,
                              discovery::EudoraLayout* layout = nullptr);

}  // namespace mailboxes
