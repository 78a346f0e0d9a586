// Preparing a Thunderbird profile to receive an import: the user's default profile as
// profiles.ini names it (FindDefaultProfile), or a new profile "default.frl" with its
// prefs.js; and, when
// mailboxes are converted, a new top-level local folder "Import" (or "Import-N") whose
// subfolder directory "Import.sbd" receives the converted mailboxes.
//
// Layout of a new set-up:
//   <Thunderbird>/profiles.ini
//   <Thunderbird>/Profiles/default.frl/prefs.js
//   <Thunderbird>/Profiles/default.frl/Mail/Local Folders/Import       (empty mail folder)
//   <Thunderbird>/Profiles/default.frl/Mail/Local Folders/Import.msf   (empty summary)
//   <Thunderbird>/Profiles/default.frl/Mail/Local Folders/Import.sbd/  (the target folder)
// An existing profiles.ini, an existing profile's prefs.js and existing mail folders are
// never changed.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"

struct ThunderbirdProfileSetUp {
  platform::FileSpec profileFolder;
  // The profile folder was made by this set-up (with a new prefs.js).
  bool profileCreated = false;
  // There was no profiles.ini: this set-up wrote one, so the profile set is new and no
  // Thunderbird knows it yet.
  bool newProfileSet = false;
  // The import folder's ".sbd" directory with mailboxes, else the profile folder.
  platform::FileSpec targetFolder;
  // "Import.sbd", "Import-1.sbd", …; "Import" without mailboxes.
  std::string importFolderName = "Import";
  // What could not be created or written, with the errno value. The set-up stops at the
  // first failure; the folders it names are then the ones it meant to use, so nothing is
  // written anywhere else.
  struct Failure {
    std::string what;
    int error = 0;
  };
  std::vector<Failure> failures;
};

// thunderbirdFolder: Thunderbird's folder (created when missing, followed when it is a link).
// homeFolder: the user's home; an absolute default-profile path is used only when it lies in
// the Thunderbird folder or the home folder, otherwise a new profile is made.
ThunderbirdProfileSetUp SetUpThunderbirdProfile(const std::string& thunderbirdFolder, const std::string& homeFolder,
                                                bool hasMailboxes);
