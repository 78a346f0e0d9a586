// Where a converted mailbox goes in the target's tree: the Eudora folders that enclose it,
// and their names there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace mailboxes {

// A Eudora folder's name in the target: without its ".fol" (Mac) and ".sbd" suffixes. A name
// that would be left empty, "." or ".." keeps its suffix, so a folder never lands on the
// current folder or above it.
std::string ConvertedFolderName(const std::string& unicodeName);

// The Eudora folders that enclose the mailbox in the converted tree, outermost first: the
// depth folders above it, plus the folder that holds a mailbox lying outside a "Mail Folder"
// (so that mailboxes of different folders do not meet in one list). The walk stops at the root.
std::vector<platform::FileSpec> EnclosingEudoraFolders(const platform::FileSpec& mailbox, int32_t depth);

}  // namespace mailboxes
