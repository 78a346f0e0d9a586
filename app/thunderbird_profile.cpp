// The Thunderbird target's preparation in the run: the profile that receives the import and
// its import folder (the logic is in thunderbird_profile_setup).
#include "app/ferrolin.h"
#include "app/thunderbird_profile_setup.h"

void Ferrolin::PrepareThunderbirdProfile(platform::FileSpec& targetFolder, platform::FileSpec& profileFolder) {
  ThunderbirdProfileSetUp setUp = SetUpThunderbirdProfile(ThunderbirdFolder(), Folders().home, mHasMailboxes);
  for (const ThunderbirdProfileSetUp::Failure& failure : setUp.failures) ReportWriteFailure(failure.what, failure.error);
  targetFolder = setUp.targetFolder;
  profileFolder = setUp.profileFolder;
  mImportFolderName = setUp.importFolderName;
}
