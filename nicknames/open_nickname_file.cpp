// The nickname file driver: reads the file, converts it into the Address Book or into a
// Thunderbird address book of the profile, and logs what happened.
#include <cerrno>
#include <optional>
#include <set>

#include "app/ferrolin.h"
#include "app/thunderbird_prefs.h"
#include "discovery/file_refs.h"
#include "nicknames/address_book_export.h"
#include "nicknames/mork_writer.h"
#include "nicknames/nickname_file.h"
#include "nicknames/thunderbird_sqlite_book.h"
#include "platform/contacts_store.h"
#include "platform/sqlite_address_book.h"
#include "platform/system.h"

namespace {

class AddressBookTarget final : public nicknames::NicknameTarget {
 public:
  AddressBookTarget(Ferrolin& app, platform::ContactsStore& book, platform::TextEncoding encoding,
                    std::string groupName)
      : app_(app), book_(book), encoding_(encoding), groupName_(std::move(groupName)) {}
  void AddPerson(const nicknames::NicknameEntry& entry) override {
    nicknames::AddABPerson(book_, entry, encoding_, groupName_);
  }
  void AddList(const nicknames::NicknameEntry& entry) override {
    nicknames::AddABMailingList(book_, entry, encoding_, groupName_, [this]() { app_.ProcessNextEvent(); });
  }
  void FirstPassDone() override { Save(); }
  void Save() {
    if (!book_.Save()) app_.ReportWriteFailure("the Address Book " + book_.LastError(), 0);
  }

 private:
  Ferrolin& app_;
  platform::ContactsStore& book_;
  platform::TextEncoding encoding_;
  std::string groupName_;
};

class ThunderbirdTarget final : public nicknames::NicknameTarget {
 public:
  ThunderbirdTarget(Ferrolin& app, platform::TextEncoding encoding)
      : encoding_(encoding),
        book_([&app](const std::string& text) { app.WriteLog(text); }, [&app]() { app.ProcessNextEvent(); }) {}
  void AddPerson(const nicknames::NicknameEntry& entry) override { book_.AddTBABCard(entry, encoding_); }
  void AddList(const nicknames::NicknameEntry& entry) override { book_.AddTBABList(entry, encoding_); }
  nicknames::TBAddressBook& Book() { return book_; }

 private:
  platform::TextEncoding encoding_;
  nicknames::TBAddressBook book_;
};

// Chooses the address book's file in the profile ("FRL-Import.mab", "FRL-Import-1.mab", …),
// registers it in prefs.js and creates it empty. Returns false when the book cannot be
// written (reported); a prefs.js that cannot be written is reported too. fileName receives
// the file's name.
bool OpenTBAddressBook(Ferrolin& app, const std::string& nicknameFileName, const platform::FileSpec& profile,
                       platform::OutputFile& mab, std::string& fileName) {
  if (profile.name.empty()) {
    app.ReportWriteFailure("the Thunderbird address book: there is no Thunderbird profile", ENOENT);
    return false;
  }
  fileName = "FRL-Import.mab";
  for (int n = 1; platform::Exists(platform::Child(profile, fileName)); ++n)
    fileName = "FRL-Import-" + std::to_string(n) + ".mab";

  if (int error = app::AppendThunderbirdPrefs(
          profile, nicknames::TBPreferenceLines(nicknames::TBBookName(nicknameFileName), fileName)))
    app.ReportWriteFailure(platform::Child(profile, "prefs.js").FullPath() + " (the address book " + fileName +
                               " is not registered)",
                           error);
  const std::string path = platform::Child(profile, fileName).FullPath();
  if (!mab.Open(path, platform::OutputFile::Mode::kCreateNew)) {
    app.ReportWriteFailure(path, mab.Error());
    return false;
  }
  return true;
}

// Writes the book as current Thunderbird loads it (abook-N.sqlite) and registers it in
// prefs.js under a key that no book of the profile uses, the .mab's included. Failures are
// reported; a book that could not be written whole leaves nothing behind.
void WriteTBSQLiteAddressBook(Ferrolin& app, const std::string& bookName, const std::string& mabKey,
                              const platform::FileSpec& profile, const nicknames::TBBookContents& contents) {
  std::string error;
  std::unique_ptr<platform::SQLiteAddressBookWriter> book = platform::SQLiteAddressBookWriter::Create(profile, error);
  if (book) {
    nicknames::WriteTBSQLiteBook(contents, *book);
    if (std::optional<std::string> fileName = book->Finish(nicknames::TBSQLiteBookFileName)) {
      std::string prefs;
      int failed = app::ReadThunderbirdPrefs(profile, prefs);
      if (!failed) {
        std::set<std::string> taken = nicknames::TBDirectoryKeysInPrefs(prefs);
        taken.insert(mabKey);
        const std::string key = nicknames::TBDirectoryKey(bookName, taken);
        failed = app::AppendThunderbirdPrefs(profile, nicknames::TBSQLitePreferenceLines(key, bookName, *fileName));
      }
      if (failed)
        app.ReportWriteFailure(platform::Child(profile, "prefs.js").FullPath() + " (the address book " + *fileName +
                                   " is not registered)",
                               failed);
      return;
    }
    error = book->Error();
  }
  app.ReportWriteFailure("the Thunderbird address book " + error, 0);
}

}  // namespace

void Ferrolin::OpenNicknameFile(platform::FileSpec file, const platform::FileSpec& profileFolder) {
  // A file that cannot be read converts as an empty one.
  std::string bytes;
  const int readError = platform::ReadFile(file, bytes);
  if (readError != 0) bytes.clear();
  const std::string fileName = GetUnicodeFilename(file, 0);
  const platform::TextEncoding encoding =
      nicknames::NicknameSourceEncoding(mSourceFlavour, nicknames::NicknameFileUsesCRLF(bytes));

  platform::OutputFile mab;
  std::string mabName;
  bool mabOpen = false;
  if (mTarget == kTargetThunderbird) mabOpen = OpenTBAddressBook(*this, fileName, profileFolder, mab, mabName);
  // The Address Book's own export, dropped with the rest, is not converted into itself.
  if (mTarget == kTargetAppleMail && file.name == "OS X Address Book") return;

  const std::string caption = "Nickname file: " + fileName;
  if (mFileNameText) mFileNameText->SetText(caption);
  if (mProgressBar) mProgressBar->SetIndeterminate(true);
  ProcessNextEvent();
  WriteLog("* Nickname file \"" + caption + "\"\n");
  if (readError != 0) WriteLog("  Could not read the nickname file: " + platform::ErrorText(readError) + "\n");

  std::unique_ptr<platform::ContactsStore> store;
  if (mTarget == kTargetAppleMail) {
    std::string error;
    const platform::FileSpec folder =
        platform::Child(platform::Child(LibraryFolder(), "Application Support"), "AddressBook");
    store = platform::ContactsStore::Open(folder.FullPath(), error);
    if (!store) {
      ReportWriteFailure("the Address Book " + error, 0);
      return;
    }
  }

  nicknames::NicknameFileHooks hooks;
  hooks.log = [this](const std::string& text) { WriteLog(text); };
  hooks.cancelled = [this]() { return mCancelled; };
  int32_t lines = 0;
  hooks.passStarted = [&](int pass, int32_t lineCount) {
    lines = lineCount;
    if (mProgressBar) {
      if (pass == 1) {
        mProgressBar->SetIndeterminate(false);
        mProgressBar->SetMinMax(0, lineCount);
      } else {
        mProgressBar->SetIndeterminate(true);
      }
    }
    if (pass == 2 && mDetailText) mDetailText->SetText("");
    if (mFileNameText)
      mFileNameText->SetText(caption + (pass == 1 ? " (1st pass: single entries)" : " (2nd pass: mailing lists)"));
    ProcessNextEvent();
    mLastRefreshTicks = platform::TickCount();
  };
  // The window is refreshed at most every 2 ticks: a file of thousands of nicknames would
  // otherwise spend its time redrawing.
  hooks.converting = [this](const std::string& nickname) {
    if (platform::TickCount() - mLastRefreshTicks < 2) return;
    if (mDetailText) mDetailText->SetText(nickname);
    ProcessNextEvent();
    mLastRefreshTicks = platform::TickCount();
  };
  hooks.progress = [&](int32_t consumed) {
    if (platform::TickCount() - mLastRefreshTicks < 2) return;
    if (mProgressBar) mProgressBar->SetValue(std::min(consumed, lines));
    ProcessNextEvent();
    mLastRefreshTicks = platform::TickCount();
  };

  nicknames::NicknameFileCounts counts;
  if (mTarget == kTargetAppleMail) {
    AddressBookTarget target(*this, *store, encoding, nicknames::ABFileGroupName(fileName));
    counts = nicknames::ConvertNicknameFile(bytes, encoding, target, hooks);
    target.Save();
  } else {
    ThunderbirdTarget target(*this, encoding);
    counts = nicknames::ConvertNicknameFile(bytes, encoding, target, hooks);
    if (mabOpen) {
      mab.Write(target.Book().WriteTBAddressBook());
      if (!mab.Close()) ReportWriteFailure(mab.Path(), mab.Error());
    }
    // Current Thunderbird loads no .mab (only its importer reads one): the same book goes
    // into an SQLite book as well.
    if (!profileFolder.name.empty()) {
      const std::string bookName = nicknames::TBBookName(fileName);
      WriteTBSQLiteAddressBook(*this, bookName, nicknames::TBPreferenceKey(bookName, mabName), profileFolder,
                               target.Book().Contents());
    }
  }
  mNicknameCount += counts.nicknames;
  mMailingListCount += counts.groups;
  WriteLog("  Imported " + std::to_string(counts.nicknames) + " nickname" + (counts.nicknames == 1 ? "" : "s") +
           " and " + std::to_string(counts.groups) + " group" + (counts.groups == 1 ? "" : "s") + ".\n");
}
