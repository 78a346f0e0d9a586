// File-reference operations every converter uses: following aliases (symbolic links), the
// enclosing folder of an item, and an item's name with its enclosing folders.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

// Replaces file by the final target of its chain of links (or leaves it when it is no
// link) and tells whether that target is a folder. Returns 0 or an errno value; an item
// that cannot be resolved is left as it is.
int ResolveAliasesAndSymlinks(platform::FileSpec& file, bool& isFolder);

// Replaces file by its enclosing folder. Returns 0.
int FSPGetParentSpec(platform::FileSpec& file);

// The item's UTF-8 name preceded by the names of max(count, 0) enclosing folders, each
// followed by "/".
std::string GetUnicodeFilename(const platform::FileSpec& file, int32_t count);
