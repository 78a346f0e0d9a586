// The Thunderbird target's preparation in the run: the profile that receives the import and
// its import folder (the logic is in thunderbird_profile_setup); and the tags of the labels
// that the converted messages carry.
#include "app/ferrolin.h"
#include "app/thunderbird_label_tags.h"
#include "app/thunderbird_prefs.h"
#include "app/thunderbird_profile_setup.h"

void Ferrolin::PrepareThunderbirdProfile(platform::FileSpec& targetFolder, platform::FileSpec& profileFolder) {
  ThunderbirdProfileSetUp setUp = SetUpThunderbirdProfile(ThunderbirdFolder(), Folders().home, mHasMailboxes);
  WriteLog(std::string(setUp.profileCreated ? "* New Thunderbird profile\n" : "* Thunderbird profile\n") +
           setUp.profileFolder.FullPath() + "\n");
  for (const ThunderbirdProfileSetUp::Failure& failure : setUp.failures) ReportWriteFailure(failure.what, failure.error);
  targetFolder = setUp.targetFolder;
  profileFolder = setUp.profileFolder;
  mImportFolderName = setUp.importFolderName;
  mThunderbirdProfile = setUp.profileFolder;
  if (setUp.newProfileSet) mNewProfileSetProfile = setUp.profileFolder.FullPath();
}

void Ferrolin::DefineLabelTags(const std::set<int32_t>& labels) {
  // prefs.js is read and rewritten only for labels not met before in this run.
  std::set<int32_t> fresh;
  for (int32_t label : labels)
    if (mLabelTagsSeenTo.insert(label).second) fresh.insert(label);
  if (fresh.empty() || mThunderbirdProfile.name.empty()) return;
  std::string text;
  int error = app::ReadThunderbirdPrefs(mThunderbirdProfile, text);
  if (error == 0) {
    const std::string lines = app::LabelTagPrefs(text, fresh);
    if (lines.empty()) return;
    error = app::AppendThunderbirdPrefs(mThunderbirdProfile, lines);
  }
  if (error != 0)
    ReportWriteFailure(platform::Child(mThunderbirdProfile, "prefs.js").FullPath() +
                           " (the tags of Eudora labels are not defined)",
                       error);
}
