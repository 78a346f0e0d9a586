// The conversion run: options, scan of the dropped items, target preparation, one
// converter call per queued file, summary.
#include <cstdio>

#include "app/ferrolin.h"
#include "app/summary.h"
#include "discovery/eudora_layout.h"
#include "platform/encodings.h"
#include "platform/system.h"

namespace {

const char* FlavourName(int32_t flavour) {
  switch (flavour) {
    case kFlavourEudora: return "Eudora";
    case kFlavourEudoraJapanese: return "Eudora (Japanese)";
    case kFlavourMozilla: return "Mozilla/Thunderbird";
    default: return "";
  }
}

const char* TargetText(int32_t target) {
  switch (target) {
    case kTargetAppleMail: return " to Apple Mail)...\n";
    case kTargetThunderbird: return " to Thunderbird)...\n";
    default: return "";
  }
}

// A folder below parent, reused (after following a link) when it exists, else created.
platform::FileSpec OpenOrCreateFolder(const platform::FileSpec& parent, const std::string& name) {
  platform::FileSpec folder = platform::Child(parent, name);
  if (platform::Exists(folder))
    platform::ResolveSymlinks(folder);
  else
    platform::CreateFolder(folder);
  return folder;
}

// Whether a Windows Eudora data folder lies directly in folder.
bool HoldsWindowsDataFolder(discovery::EudoraLayout& layout, const platform::FileSpec& folder) {
  std::vector<std::string> names;
  platform::ListFolder(folder, names);
  for (const std::string& name : names) {
    platform::FileSpec item = platform::Child(folder, name);
    if (platform::KindOf(item) == platform::ItemKind::kFolder && layout.IsWindowsDataFolder(item)) return true;
  }
  return false;
}

}  // namespace

void Ferrolin::DoAEOpenDoc(const platform::AppleEvent& event, platform::AppleEvent&, long) {
  // 1. Entry: one run per launch.
  if (mRunDone) return;
  mRunDone = true;
  mIsMacOS104OrLater = static_cast<int32_t>(platform::SystemVersion()) >= 0x1040;
  mImportFolderName = "Import";
  std::vector<platform::FileSpec> dropped;
  if (const platform::Descriptor* list = event.Param(platform::kKeyDirectObject)) {
    // A single item may come as itself rather than in a list.
    std::vector<platform::Descriptor> single;
    const std::vector<platform::Descriptor>& items = list->type == platform::kTypeList ? list->items : single;
    if (list->type != platform::kTypeList) single.push_back(*list);
    for (const platform::Descriptor& item : items) {
      platform::FileSpec file;
      // An item that is not a file specification is left out.
      if (platform::GetFileSpec(item, file)) dropped.push_back(file);
    }
  }
  std::vector<std::unique_ptr<QueuedFile>> items;
  mItems = &items;

  // 2. Version text.
  const std::string version = VersionText();

  // 3. Options window.
  if (mShowDialogs) {
    platform::OptionsWindowState state;  // every choice starts at 1
    ProcessNextEvent();
    UI().RunOptionsWindow(version, state);
    mConvertNicknames = state.nicknames == 1;
    mConvertFilters = state.filters == 1;
    mConvertMailboxes = state.mailboxes == 1;
    if (state.source >= 1 && state.source <= 3) mSourceFlavour = state.source;
    if (state.target == 1 || state.target == 2) mTarget = state.target;
  }

  // 4. Nothing to convert: quit without a word in the log.
  if (!mConvertFilters && !mConvertMailboxes && !mConvertNicknames) {
    mItems = nullptr;
    DoQuit();
    return;
  }

  // 5. Start banner.
  UI().SetCursor(platform::Cursor::kWatch);
  WriteLog("\n*** Ferrolin starting - " + platform::CurrentTimeText() + "\n");

  // 6. Progress window.
  platform::ProgressWindow& progress = UI().Progress();
  progress.version.SetText(version);
  progress.status.SetText("Initializing\xE2\x80\xA6");
  mFileNameText = &progress.file_name;
  mDetailText = &progress.detail;
  mProgressBar = &progress.bar;
  mFileNameText->SetText("");
  mDetailText->SetText("");
  mFileNameText->truncate_middle = mDetailText->truncate_middle = true;
  mProgressBar->SetIndeterminate(true);
  UI().ShowProgress(true);
  ProcessNextEvent();

  // 7. Reset.
  mRunStarted = true;
  mFileCount = 0;
  int32_t mailboxFiles = 0, nicknameFiles = 0, filterFiles = 0;
  mMessageCount = 0;
  mHasMailboxes = false;
  bool attachmentsFound = false, partsFound = false;
  platform::FileSpec attachmentsFolder, partsFolder;
  mLastRefreshTicks = platform::TickCount();
  ResetEnteredFolders();
  ResetEudoraLayout();
  progress.status.SetText("Scanning files & folders\xE2\x80\xA6");
  progress.cancel.AddListener(this);
  WriteLog("** scanning files...\n");

  // 8. Scan.
  for (const platform::FileSpec& item : dropped) {
    RefreshFileName(platform::FileNameToUTF8(item.name));
    platform::FileSpec target = item;
    platform::ResolveSymlinks(target);
    if (platform::KindOf(target) == platform::ItemKind::kFolder) {
      // A Windows Eudora data folder stands where the Mac "Mail Folder" stands: dropped, or
      // lying directly in the dropped folder, its mailboxes get depth 0.
      const std::string& name = target.name;
      const bool windowsDataFolder = Layout().IsWindowsDataFolder(target);
      int32_t depth = 0;
      if (windowsDataFolder || name == "Mail Folder")
        depth = -1;
      if (!windowsDataFolder && (platform::Exists(platform::Child(target, "Mail Folder")) || name == "Eudora Folder" ||
                                 HoldsWindowsDataFolder(Layout(), target)))
        depth = -2;
      ScanFolderForConvertableFiles(target, depth, attachmentsFound, partsFound, attachmentsFolder, partsFolder);
    } else if (AddIfIsConvertableFile(target, -1, attachmentsFound, partsFound, attachmentsFolder, partsFolder)) {
      ++mFileCount;
    }
  }

  // 9. Eudora folder report: for every data folder met, in that order (when the run met none,
  // the two failures).
  if (mFileCount != 0) {
    std::vector<EudoraFolders> report = mEudoraFolders;
    if (report.empty()) report.push_back(EudoraFolders{attachmentsFound, partsFound, attachmentsFolder, partsFolder});
    for (const EudoraFolders& folders : report) {
      if (folders.attachmentsFound)
        WriteLog("\n* Located 'Attachments Folder'\n" + folders.attachmentsFolder.FullPath());
      else
        WriteLog("\n* Failed to locate 'Attachments Folder'");
      if (folders.partsFound)
        WriteLog("\n* Located 'Parts Folder'\n" + folders.partsFolder.FullPath());
      else
        WriteLog("\n* Failed to locate 'Parts Folder'");
    }
  }

  // 10.
  mBadDateCount = mHTMLMessageCount = mRichTextMessageCount = 0;
  mNicknameCount = mMailingListCount = mRuleCount = mAttachmentCount = 0;

  // 11-12. Conversion.
  if (mFileCount != 0) {
    WriteLog(std::string("\n** Starting conversion (from ") + FlavourName(mSourceFlavour));
    WriteLog(TargetText(mTarget));
    mProgressBar->SetIndeterminate(false);
    mFileNameText->SetText("");

    platform::FileSpec library = LibraryFolder();
    platform::FileSpec targetFolder = library;
    platform::FileSpec profileFolder;  // none for Apple Mail
    int sequence = 1;
    if (mTarget == kTargetAppleMail) {
      if (mHasMailboxes) {
        platform::FileSpec mailboxes = OpenOrCreateFolder(OpenOrCreateFolder(library, "Mail"), "Mailboxes");
        mImportFolderName = "Import";
        while (platform::Exists(platform::Child(mailboxes, mImportFolderName)))
          mImportFolderName = "Import-" + std::to_string(sequence++);
        targetFolder = platform::Child(mailboxes, mImportFolderName);
        if (int error = platform::CreateFolder(targetFolder))
          ReportWriteFailure("the import folder " + targetFolder.FullPath(), error);
      }
    } else if (mTarget == kTargetThunderbird) {
      PrepareThunderbirdProfile(targetFolder, profileFolder);
    }
    if (!mHasMailboxes) mImportFolderName = "Import";

    int32_t position = 1;
    for (const std::unique_ptr<QueuedFile>& queued : items) {
      if (mCancelled) break;
      platform::FileSpec file = queued->file;
      progress.cancel.AddListener(this);
      char status[96];
      if (mFileCount <= 1)
        std::snprintf(status, sizeof status, "Importing file\xE2\x80\xA6");
      else
        std::snprintf(status, sizeof status, "Importing file %ld of %ld\xE2\x80\xA6", static_cast<long>(position),
                      static_cast<long>(mFileCount));
      progress.status.SetText(status);
      ProcessNextEvent();
      switch (queued->kind) {
        case kindMailbox: {
          // A mailbox of a data folder takes that folder's attachments and parts; one that
          // lies in none, those of the run.
          EudoraFolders folders{attachmentsFound, partsFound, attachmentsFolder, partsFolder};
          if (queued->eudoraFolders >= 0) folders = mEudoraFolders[static_cast<size_t>(queued->eudoraFolders)];
          mResumePosition = 0;
          while (OpenMailbox(file, targetFolder, queued->depth, folders.attachmentsFolder, folders.partsFolder,
                             folders.attachmentsFound, folders.partsFound)) {
          }
          ++mailboxFiles;
          break;
        }
        case kindNicknameFile:
          OpenNicknameFile(file, profileFolder);
          ++nicknameFiles;
          break;
        case kindFilterFile:
          OpenFilterFile(file);
          ++filterFiles;
          break;
        default:
          break;
      }
      ++position;
      progress.cancel.RemoveListener(this);
    }
  }
  progress.cancel.RemoveListener(this);

  // 13. End banner.
  items.clear();
  mItems = nullptr;
  WriteLog("\n*** Ferrolin exiting - " + platform::CurrentTimeText() + "\n");

  // 14. Summary.
  SummaryCounts counts;
  counts.convertMailboxes = mConvertMailboxes;
  counts.convertNicknames = mConvertNicknames;
  counts.convertFilters = mConvertFilters;
  counts.mailboxFiles = mailboxFiles;
  counts.messages = mMessageCount;
  counts.badDates = mBadDateCount;
  counts.htmlMessages = mHTMLMessageCount;
  counts.richTextMessages = mRichTextMessageCount;
  counts.attachments = mAttachmentCount;
  counts.nicknameFiles = nicknameFiles;
  counts.nicknames = mNicknameCount;
  counts.mailingLists = mMailingListCount;
  counts.filterFiles = filterFiles;
  counts.rules = mRuleCount;
  int lines = 0;
  mSummaryText = BuildSummaryText(counts, lines);
  UI().SetCursor(platform::Cursor::kArrow);

  // 15. Summary window.
  if (mShowDialogs) {
    bool note = mIsMacOS104OrLater && mailboxFiles > 0 && mTarget == kTargetAppleMail;
    platform::SummaryLayout layout = platform::ComputeSummaryLayout(lines, note);
    UI().ShowProgress(false);
    ProcessNextEvent();
    UI().RunSummaryWindow(mSummaryText, layout);
    ProcessNextEvent();
  } else {
    UI().ShowProgress(false);
  }

  // 16.
  DoQuit();
}
