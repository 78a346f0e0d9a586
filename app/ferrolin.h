// The application object: the settings of a launch, the counters of its one conversion
// run, the queue of files found, and the drivers of the run and of the converters. The
// converters' members are defined by their own folders (discovery/, mailboxes/, filters/,
// nicknames/); the logic they drive is plain functions there.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/ui.h"

inline constexpr int16_t kindMailbox = 1;
inline constexpr int16_t kindNicknameFile = 2;
inline constexpr int16_t kindFilterFile = 3;

inline constexpr int32_t kFlavourEudora = 1;
inline constexpr int32_t kFlavourEudoraJapanese = 2;
inline constexpr int32_t kFlavourMozilla = 3;
inline constexpr int32_t kTargetAppleMail = 1;
inline constexpr int32_t kTargetThunderbird = 2;

// Scripting property codes and enumerators.
inline constexpr platform::OSType kPropConvertMailboxes = platform::FourCC("Fq_m");
inline constexpr platform::OSType kPropConvertFilters = platform::FourCC("Fq_f");
inline constexpr platform::OSType kPropConvertNicknames = platform::FourCC("Fq_n");
inline constexpr platform::OSType kPropShowDialogs = platform::FourCC("Fqsd");
inline constexpr platform::OSType kPropSourceFlavour = platform::FourCC("Fqcs");
inline constexpr platform::OSType kPropTarget = platform::FourCC("Fqct");
inline constexpr platform::OSType kEnumEudora = platform::FourCC("FqfE");
inline constexpr platform::OSType kEnumEudoraJapanese = platform::FourCC("FqfJ");
inline constexpr platform::OSType kEnumMozilla = platform::FourCC("FqfM");
inline constexpr platform::OSType kEnumAppleMail = platform::FourCC("FqtM");
inline constexpr platform::OSType kEnumThunderbird = platform::FourCC("FqtT");

// Where one Eudora data folder keeps received attachments and embedded parts: on the Mac its
// "Attachments Folder" and "Parts Folder", on Windows "attach" (or the folder Eudora.ini
// names) and "Embedded".
struct EudoraFolders {
  bool attachmentsFound = false;
  bool partsFound = false;
  platform::FileSpec attachmentsFolder;
  platform::FileSpec partsFolder;
};

// One file found by the scan.
struct QueuedFile {
  platform::FileSpec file;  // aliases already resolved
  int32_t depth = 0;        // folder depth below the Eudora mail folder
  int16_t kind = 0;         // kindMailbox, kindNicknameFile or kindFilterFile
  // The Eudora folders of the data folder the file lies in (an index into the run's
  // mEudoraFolders), -1 when its path leads to no data folder.
  int32_t eudoraFolders = -1;
};

// Where a launch reads and writes: the user's home (its Library folder is home/Library)
// and Thunderbird's folder.
struct FerrolinFolders {
  std::string home;
  std::string thunderbird;  // empty: home/Library/Thunderbird
};

namespace mailboxes {
class DiskAttachmentFolder;
}
namespace discovery {
class EudoraLayout;
}

class Ferrolin : public platform::Application, public platform::Listener {
 public:
  Ferrolin(platform::UserInterface& ui, FerrolinFolders folders);
  ~Ferrolin() override;

  // Events
  void HandleAppleEvent(const platform::AppleEvent& event, platform::AppleEvent& reply,
                        platform::Descriptor& result, long number) override;
  void StartUp();
  void ListenToMessage(long message, void* param) override;
  static platform::OSType GetAEPropertyIDFromSetDataAE(const platform::AppleEvent& event);

  // The conversion run (app/conversion_run.cpp)
  void DoAEOpenDoc(const platform::AppleEvent& event, platform::AppleEvent& reply, long number);

  // The run log (app/run_log.cpp): appends text to Library/Logs/Ferrolin.log.
  void WriteLog(const std::string& text);

  // Source discovery (discovery/)
  bool IsConvertableFile(const platform::FileSpec& file, int32_t depth, int16_t& kind);
  bool AddIfIsConvertableFile(const platform::FileSpec& file, int32_t depth, bool& attachmentsFound,
                              bool& partsFound, platform::FileSpec& attachmentsFolder,
                              platform::FileSpec& partsFolder);
  void ScanFolderForConvertableFiles(const platform::FileSpec& folder, int32_t depth, bool& attachmentsFound,
                                     bool& partsFound, platform::FileSpec& attachmentsFolder,
                                     platform::FileSpec& partsFolder);
  void LocateAttachmentFolder(platform::FileSpec file, bool& attachmentsFound, bool& partsFound,
                              platform::FileSpec& attachmentsFolder, platform::FileSpec& partsFolder);
  // The Eudora folders of the data folder that file lies in, searched once per data folder
  // and run: an index into mEudoraFolders, or -1 when the file's path leads to no data folder.
  int32_t LocateEudoraFolders(const platform::FileSpec& file);
  // Eudora's layout as this run has met it (Windows data folders, descmap.pce names).
  discovery::EudoraLayout& Layout();

  // Converters. targetFolder is the folder mailboxes are written into; profileFolder the
  // Thunderbird profile (empty for Apple Mail).
  bool OpenMailbox(platform::FileSpec file, const platform::FileSpec& targetFolder, int32_t depth,
                   platform::FileSpec& attachmentsFolder, platform::FileSpec& partsFolder, bool attachmentsFound,
                   bool partsFound);
  virtual void OpenNicknameFile(platform::FileSpec file, const platform::FileSpec& profileFolder);
  void OpenFilterFile(platform::FileSpec file);

  // Thunderbird target: finds or creates the profile and its import folder. targetFolder
  // receives the folder mailboxes go into, profileFolder the profile (app/thunderbird_profile.cpp).
  void PrepareThunderbirdProfile(platform::FileSpec& targetFolder, platform::FileSpec& profileFolder);
  // Thunderbird target: appends to the profile's prefs.js the tags of the labels that it does
  // not define yet (app/thunderbird_profile.cpp).
  void DefineLabelTags(const std::set<int32_t>& labels);

  // The user's Library folder (created when missing), as the Folder Manager would find it.
  platform::FileSpec LibraryFolder();
  const FerrolinFolders& Folders() const { return folders_; }
  // Thunderbird's folder: the one given, else Library/Thunderbird.
  std::string ThunderbirdFolder() const;

  // An output that could not be written: named in the log and on standard error, and
  // counted, so that the launch ends with a failure status.
  void ReportWriteFailure(const std::string& what, int error);
  int WriteFailureCount() const { return mWriteFailures; }

  // Version text shown by the windows: the short version, a blank and the 'Frln' text.
  static std::string VersionText();
  static std::string ShortVersion();
  static std::string AboutText();

  // Settings and state of the launch and its run.
  bool mCancelled = false;
  bool mHasMailboxes = false;
  bool mShowDialogs = true;
  bool mRunStarted = false;
  bool mConvertNicknames = true;
  bool mConvertFilters = true;
  bool mConvertMailboxes = true;
  bool mIsMacOS104OrLater = false;
  bool mRunDone = false;
  std::string mImportFolderName;
  std::vector<std::unique_ptr<QueuedFile>>* mItems = nullptr;
  platform::TextPane* mDetailText = nullptr;
  platform::TextPane* mFileNameText = nullptr;
  platform::ProgressBar* mProgressBar = nullptr;
  int32_t mMessageCount = 0;
  int32_t mFileCount = 0;
  int32_t mBadDateCount = 0;
  int32_t mHTMLMessageCount = 0;
  int32_t mRichTextMessageCount = 0;
  int32_t mNicknameCount = 0;
  int32_t mMailingListCount = 0;
  int32_t mRuleCount = 0;
  int32_t mAttachmentCount = 0;
  int32_t mTarget = kTargetAppleMail;
  int32_t mSourceFlavour = kFlavourEudora;
  int64_t mResumePosition = 0;
  uint32_t mLastRefreshTicks = 0;

  // The summary text of the last run ("\r" between lines), for the command line.
  std::string mSummaryText;
  // Thunderbird target: the profile that receives the import; the labels whose tags this run
  // has seen to; the profile's path when the run made a new profile set, which no Thunderbird
  // knows yet (else empty).
  platform::FileSpec mThunderbirdProfile;
  std::set<int32_t> mLabelTagsSeenTo;
  std::string mNewProfileSetProfile;
  // Eudora's Attachments Folder as the mailboxes of the run look files up in it (listed once).
  std::shared_ptr<mailboxes::DiskAttachmentFolder> mAttachmentsFolder;
  // The Eudora data folders the run's files lie in, in the order they were met, with where
  // each keeps attachments and parts.
  std::vector<EudoraFolders> mEudoraFolders;

 private:
  FerrolinFolders folders_;
  int mWriteFailures = 0;
  bool mLogFailureReported = false;
  // Folders entered by the walk of this run, so that a link back into them is not followed.
  std::set<platform::FileIdentity> mEnteredFolders;
  std::unique_ptr<discovery::EudoraLayout> mLayout;
  // Data folder path -> index into mEudoraFolders.
  std::map<std::string, int32_t> mDataFolderIndex;

 public:
  // Whether the scan of this run already entered the folder; records it otherwise.
  bool EnterFolderOnce(const platform::FileSpec& folder);
  void ResetEnteredFolders() { mEnteredFolders.clear(); }
  // Forgets the layout and the data folders met by an earlier run.
  void ResetEudoraLayout();
  void NoteLogFailure(int error);
  // Refreshes the progress window's file line with text when 2 ticks have passed since
  // the last refresh, giving the event loop a turn.
  void RefreshFileName(const std::string& text);
};
