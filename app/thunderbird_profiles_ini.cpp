#include "app/thunderbird_profiles_ini.h"

#include <optional>

#include "text/ini.h"

namespace {

constexpr std::string_view kProfilesPrefix = "Profiles/";
constexpr std::string_view kPathKey = "Path=";

// The names of a "/"-separated path without empty and "." names.
std::vector<std::string> PathNames(std::string_view path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view name = path.substr(start, slash - start);
    if (!name.empty() && name != ".") names.emplace_back(name);
    start = slash + 1;
  }
  return names;
}

// The location, or kNone when its names could lead elsewhere or name nothing.
DefaultProfileLocation Located(DefaultProfileLocation::Base base, std::string_view path) {
  DefaultProfileLocation location;
  if (path.find('\0') != std::string_view::npos) return location;
  std::vector<std::string> names = PathNames(path);
  if (names.empty()) return location;
  for (const std::string& name : names)
    if (name == "..") return location;
  location.base = base;
  location.folders = std::move(names);
  return location;
}

// A value that names the profile folder by itself: absolute, or below the Thunderbird folder.
DefaultProfileLocation LocatedPath(std::string_view path) {
  if (path.starts_with('/')) return Located(DefaultProfileLocation::Base::kRoot, path);
  return Located(DefaultProfileLocation::Base::kThunderbirdFolder, path);
}

// The profile current Thunderbird starts with: an installation's default, else the profile
// marked as the default one. Section names and keys are compared as Thunderbird writes them.
DefaultProfileLocation FindCurrentDefaultProfile(std::string_view ini) {
  std::string_view section;
  std::optional<std::string_view> installDefault;
  std::optional<std::string_view> flaggedPath;
  // Path and Default=1 of the [Profile…] section being read.
  std::optional<std::string_view> path;
  bool flagged = false;
  auto endProfileSection = [&] {
    if (flagged && path && !flaggedPath) flaggedPath = path;
    path.reset();
    flagged = false;
  };
  text::ForEachIniLine(ini, [&](std::string_view inSection, std::string_view key, std::string_view value) {
    if (key.empty()) {
      endProfileSection();
      section = inSection;
      return true;
    }
    if (value.empty()) return true;  // an empty value counts as none
    if (section.starts_with("Install")) {
      if (key == "Default" && !installDefault) installDefault = value;
    } else if (section.starts_with("Profile")) {
      if (key == "Path" && !path) path = value;
      if (key == "Default" && value == "1") flagged = true;
    }
    return true;
  });
  endProfileSection();
  if (installDefault) return LocatedPath(*installDefault);
  if (flaggedPath) return LocatedPath(*flaggedPath);
  return {};
}

}  // namespace

std::string NewProfilesIniText() {
  return std::string("[General]\nStartWithLastProfile=1\n\n[Profile0]\n") +
         "Name=default\nIsRelative=1\nPath=Profiles/" + std::string(kNewProfileName) + "\n";
}

std::string NewProfilePrefsText() {
  return "user_pref(\"mail.account.account1.server\", \"server1\");\n"
         "user_pref(\"mail.accountmanager.accounts\", \"account1\");\n"
         "user_pref(\"mail.accountmanager.localfoldersserver\", \"server1\");\n"
         "user_pref(\"mail.server.server1.directory-rel\", \"[ProfD]Mail/Local Folders\");\n"
         "user_pref(\"mail.server.server1.hostname\", \"Local Folders\");\n"
         "user_pref(\"mail.server.server1.name\", \"Local Folders\");\n"
         "user_pref(\"mail.server.server1.type\", \"none\");\n"
         "user_pref(\"mail.server.server1.userName\", \"nobody\");\n";
}

DefaultProfileLocation FindDefaultProfile(std::string_view ini) {
  size_t start = 0;
  // The line that starts at start (without its LF), and start moved past it; false at the end.
  auto nextLine = [&](std::string_view& line) {
    if (start >= ini.size()) return false;
    size_t end = ini.find('\n', start);
    if (end == std::string_view::npos) end = ini.size();
    line = ini.substr(start, end - start);
    start = end + 1;
    return true;
  };
  std::string_view line;
  while (nextLine(line)) {
    if (line != "Name=default") continue;
    std::string_view pathLine;
    // The line after the name is IsRelative's; the path line follows it.
    if (!nextLine(pathLine) || !nextLine(pathLine)) return {};
    if (size_t at = pathLine.find(kProfilesPrefix); at != std::string_view::npos)
      return Located(DefaultProfileLocation::Base::kProfilesFolder, pathLine.substr(at + kProfilesPrefix.size()));
    if (!pathLine.starts_with(kPathKey)) return {};
    return LocatedPath(pathLine.substr(kPathKey.size()));
  }
  return FindCurrentDefaultProfile(ini);
}

std::string AbsoluteProfilePath(const DefaultProfileLocation& location) {
  std::string path;
  for (const std::string& name : location.folders) path += "/" + name;
  return path.empty() ? "/" : path;
}

bool PathLiesWithin(std::string_view path, std::string_view folder) {
  if (!path.starts_with('/') || !folder.starts_with('/')) return false;
  const std::vector<std::string> inner = PathNames(path);
  const std::vector<std::string> outer = PathNames(folder);
  if (inner.size() < outer.size()) return false;
  for (size_t i = 0; i < outer.size(); ++i)
    if (inner[i] != outer[i]) return false;
  return true;
}
