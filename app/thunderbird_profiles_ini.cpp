#include "app/thunderbird_profiles_ini.h"

#include <optional>

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

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
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
  size_t start = 0;
  while (start < ini.size()) {
    size_t end = ini.find('\n', start);
    if (end == std::string_view::npos) end = ini.size();
    const std::string_view line = Trimmed(ini.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      endProfileSection();
      const size_t close = line.find(']');
      section = close == std::string_view::npos ? std::string_view() : Trimmed(line.substr(1, close - 1));
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals));
    const std::string_view value = Trimmed(line.substr(equals + 1));
    if (value.empty()) continue;
    if (section.starts_with("Install")) {
      if (key == "Default" && !installDefault) installDefault = value;
    } else if (section.starts_with("Profile")) {
      if (key == "Path" && !path) path = value;
      if (key == "Default" && value == "1") flagged = true;
    }
  }
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
