// Thunderbird's list of profiles and the preferences of a new profile, as text.
//
// profiles.ini lists the profiles in sections "[ProfileN]" whose lines "Name=", "IsRelative="
// and "Path=" follow one another in that order; the profile named "default" receives the
// import. On a Mac the path reads "Profiles/<folder>"; Thunderbird on Linux writes the
// folder relative to the Thunderbird folder ("abcd.default"), or an absolute path with
// IsRelative=0. Current Thunderbird names no profile "default": it starts with the profile
// that an "[Install<hash>]" section (one per installation) gives as "Default=<path>", and
// without such a section with the "[ProfileN]" marked "Default=1". A new profile's prefs.js
// declares the one account Thunderbird needs to show local folders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The profile that is made when profiles.ini names no usable default profile.
inline constexpr std::string_view kNewProfileName = "default.frl";

// The whole profiles.ini written when the Thunderbird folder has none: it names the new
// profile "Profiles/default.frl" as the default one.
std::string NewProfilesIniText();

// The whole prefs.js of a new profile: an account whose server is "Local Folders", kept in
// the profile's "Mail/Local Folders".
std::string NewProfilePrefsText();

// Where profiles.ini puts the default profile.
struct DefaultProfileLocation {
  enum class Base {
    kNone,               // no usable default profile: a new one is made
    kProfilesFolder,     // below the Thunderbird folder's "Profiles" folder
    kThunderbirdFolder,  // below the Thunderbird folder itself
    kRoot,               // an absolute path
  };
  Base base = Base::kNone;
  // The folder names from the base down to the profile folder (at least one unless kNone).
  std::vector<std::string> folders;
};

// Reads profiles.ini. The profile named "default" comes first: at the first line that is
// exactly "Name=default" (lines end at LF, so a line ending in CR LF does not match), the
// second line after it is the path line. A path line holding "Profiles/" names the folders
// after it, below "Profiles"; otherwise a "Path=" line names its value.
// Without such a line, the profile current Thunderbird starts with: the first "Default="
// value of an "[Install…]" section, else the "Path=" of the first "[Profile…]" section with
// "Default=1" (an empty value counts as none). These are read as Thunderbird reads its INI files: a CR before the LF, blanks
// around names and values, and lines starting with ";" or "#" are passed over.
// A path is absolute when it starts with "/", else below the Thunderbird folder. Empty and "."
// names are passed over; a path with ".." (which could lead out of the Thunderbird folder), a
// NUL byte, or no folder name at all gives kNone, as does a missing path line: the profile
// that profiles.ini names is then not used, and no other one is taken in its place.
DefaultProfileLocation FindDefaultProfile(std::string_view profilesIni);

// The absolute path of a kRoot location ("/" and the folders joined by "/").
std::string AbsoluteProfilePath(const DefaultProfileLocation& location);

// Whether the absolute path names folder or something inside it, compared name by name
// (empty and "." names aside) without looking at the file system.
bool PathLiesWithin(std::string_view path, std::string_view folder);
