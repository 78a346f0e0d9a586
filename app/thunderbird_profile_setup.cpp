#include "app/thunderbird_profile_setup.h"

#include <cerrno>

#include "app/thunderbird_profiles_ini.h"

namespace {

// profiles.ini is a few lines; anything beyond this is not a profile list worth reading.
constexpr size_t kMaxProfilesIniBytes = 1u << 20;

class SetUp {
 public:
  explicit SetUp(ThunderbirdProfileSetUp& result) : result_(result) {}

  bool Failed() const { return !result_.failures.empty(); }

  bool Fail(const std::string& what, int error) {
    result_.failures.push_back({what, error != 0 ? error : EIO});
    return false;
  }

  // Uses the folder when it exists, creates it otherwise.
  bool TakeOrCreate(const platform::FileSpec& folder) {
    if (Failed()) return false;
    switch (platform::KindOf(folder)) {
      case platform::ItemKind::kFolder:
        return true;
      case platform::ItemKind::kMissing:
        if (int error = platform::CreateFolder(folder); error != 0) {
          if (error == EEXIST && platform::KindOf(folder) == platform::ItemKind::kFolder) return true;
          return Fail("the folder " + folder.FullPath(), error);
        }
        return true;
      default:
        return Fail("the folder " + folder.FullPath(), ENOTDIR);
    }
  }

  // Writes a new file; an item already there is left as it is.
  bool CreateFile(const platform::FileSpec& file, const std::string& bytes) {
    if (Failed()) return false;
    if (platform::Exists(file)) return true;
    platform::OutputFile out;
    if (!out.Open(file.FullPath(), platform::OutputFile::Mode::kCreateNew)) {
      if (out.Error() == EEXIST) return true;
      return Fail(file.FullPath(), out.Error());
    }
    out.Write(bytes);
    if (!out.Close()) return Fail(file.FullPath(), out.Error());
    return true;
  }

 private:
  ThunderbirdProfileSetUp& result_;
};

}  // namespace

ThunderbirdProfileSetUp SetUpThunderbirdProfile(const std::string& thunderbirdFolder, const std::string& homeFolder,
                                                bool hasMailboxes) {
  ThunderbirdProfileSetUp result;
  SetUp setUp(result);

  platform::FileSpec thunderbird = platform::FileSpecFromPath(thunderbirdFolder);
  if (platform::Exists(thunderbird)) {
    platform::ResolveSymlinks(thunderbird);
    if (platform::KindOf(thunderbird) != platform::ItemKind::kFolder)
      setUp.Fail("the Thunderbird folder " + thunderbird.FullPath(), ENOTDIR);
  } else if (int error = platform::CreateFolders(thunderbird.FullPath()); error != 0) {
    setUp.Fail("the Thunderbird folder " + thunderbird.FullPath(), error);
  }

  // An existing profiles.ini is only read, whether or not a "Profiles" folder exists (on
  // Linux there is none); a new one is written only when there is none at all.
  DefaultProfileLocation location;
  const platform::FileSpec ini = platform::Child(thunderbird, "profiles.ini");
  if (!setUp.Failed()) {
    if (platform::Exists(ini)) {
      std::string text;
      // An unreadable profiles.ini names no default profile.
      if (platform::ReadFile(ini, text, kMaxProfilesIniBytes) == 0) location = FindDefaultProfile(text);
    } else {
      result.newProfileSet = setUp.CreateFile(ini, NewProfilesIniText());
    }
  }

  using Base = DefaultProfileLocation::Base;
  if (location.base == Base::kRoot) {
    const std::string path = AbsoluteProfilePath(location);
    const bool inside = PathLiesWithin(path, thunderbird.FullPath()) ||
                        PathLiesWithin(path, platform::FileSpecFromPath(thunderbirdFolder).FullPath()) ||
                        (!homeFolder.empty() && PathLiesWithin(path, platform::FileSpecFromPath(homeFolder).FullPath()));
    if (!inside) location = DefaultProfileLocation{};
  }
  if (location.base == Base::kNone) location = {Base::kProfilesFolder, {std::string(kNewProfileName)}};

  platform::FileSpec folder = thunderbird;
  if (location.base == Base::kProfilesFolder) {
    folder = platform::Child(thunderbird, "Profiles");
    setUp.TakeOrCreate(folder);
  } else if (location.base == Base::kRoot) {
    folder = platform::FileSpec{"/", ""};
  }
  for (size_t i = 0; i + 1 < location.folders.size(); ++i) {
    folder = platform::Child(folder, location.folders[i]);
    setUp.TakeOrCreate(folder);
  }
  // The profile folder; only a profile made here gets a prefs.js.
  folder = platform::Child(folder, location.folders.back());
  const bool existed = platform::Exists(folder);
  if (setUp.TakeOrCreate(folder) && !existed) {
    result.profileCreated = true;
    setUp.CreateFile(platform::Child(folder, "prefs.js"), NewProfilePrefsText());
  }
  result.profileFolder = folder;
  result.targetFolder = folder;
  if (!hasMailboxes) return result;

  platform::FileSpec local = platform::Child(folder, "Mail");
  setUp.TakeOrCreate(local);
  local = platform::Child(local, "Local Folders");
  setUp.TakeOrCreate(local);
  // A new top-level folder, named after the first free "Import[-N].sbd": an old "Import" mail
  // folder without subfolders is reused as it is, with "Import.sbd" added.
  result.importFolderName = "Import.sbd";
  for (int sequence = 1; platform::Exists(platform::Child(local, result.importFolderName)); ++sequence)
    result.importFolderName = "Import-" + std::to_string(sequence) + ".sbd";
  const std::string base = result.importFolderName.substr(0, result.importFolderName.size() - 4);
  setUp.CreateFile(platform::Child(local, base), "");
  setUp.CreateFile(platform::Child(local, base + ".msf"), "");
  result.targetFolder = platform::Child(local, result.importFolderName);
  if (!setUp.Failed()) {
    if (int error = platform::CreateFolder(result.targetFolder); error != 0)
      setUp.Fail("the import folder " + result.targetFolder.FullPath(), error);
  }
  return result;
}
