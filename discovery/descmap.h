// "descmap.pce": Windows Eudora's list of the mailboxes and mail folders of one folder, with
// the names the user gave them. Eudora for Windows names its files itself (8.3 names in old
// versions, "In.mbx", "Work.fol"), so the name shown in its mailbox list lives only here.
//
// One entry per line, lines ending in CR LF (a bare LF or CR is taken too):
//   Display name,File name,Type,Flag          e.g.  In,In.mbx,S,Y
// Type S is a system mailbox (In, Out, Junk, Trash), M a user mailbox, F a folder of
// mailboxes ("NAME.fol", with a descmap.pce of its own). The flag is Eudora's own and not
// used here. A display name may hold commas; a field may also be quoted with double quotes
// ("" inside for one quote), as CSV writers do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace discovery {

struct DescmapEntry {
  std::string displayName;  // UTF-8
  std::string fileName;     // as the line has it, UTF-8
  char type = 0;            // 'S', 'M', 'F' or whatever the line holds
};

// The usable entries of a descmap.pce, in file order. Lines that are not entries (too few
// fields, an empty name, a type that is not one character) are left out. Names that are not
// valid UTF-8 are read as Windows Latin 1, the code page Eudora for Windows wrote them in.
std::vector<DescmapEntry> ParseDescmap(std::string_view bytes);

// The name a display name gives a mailbox or folder on disk: "/" (which would open a folder)
// becomes "_", control characters become "_". Nothing for a name that cannot be a file name
// at all ("", ".", "..").
std::optional<std::string> DisplayNameAsFileName(std::string_view displayName);

}  // namespace discovery
