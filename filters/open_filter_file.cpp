// The filter file driver: converts one Eudora filter file, filter by filter, into rules of
// Apple Mail's rules file in Library/Mail, with progress and the rule count.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/ferrolin.h"
#include "discovery/eudora_layout.h"
#include "discovery/file_refs.h"
#include "filters/eudora_filter_reader.h"
#include "filters/filter_translation.h"
#include "filters/mail_accounts.h"
#include "filters/rules_file.h"
#include "filters/xml_property_list.h"
#include "platform/files.h"
#include "platform/output_stream.h"
#include "platform/system.h"

namespace {

// Apple Mail's rules file and preferences are small; far bigger files are not theirs.
constexpr size_t kMaxRulesFileSize = 256u << 20;
constexpr size_t kMaxPreferencesSize = 64u << 20;

int32_t ProgressValue(uint64_t value) { return static_cast<int32_t>(std::min<uint64_t>(value, INT32_MAX)); }

}  // namespace

void Ferrolin::OpenFilterFile(platform::FileSpec file) {
  // A filter file that cannot be read converts as an empty one.
  int openError = 0;
  std::unique_ptr<platform::FileStream> fileStream = platform::FileStream::Open(file, &openError);
  platform::MemoryStream nothing("");
  platform::ByteStream& in = fileStream ? static_cast<platform::ByteStream&>(*fileStream) : nothing;
  const platform::FileSpec library = LibraryFolder();

  filters::FilterOptions options;
  options.crlf = filters::FilterFileUsesCRLF(in);
  options.japanese = mSourceFlavour == kFlavourEudoraJapanese;
  options.systemVersion = platform::SystemVersion();
  options.importFolder = mImportFolderName;
  // A filter file of a Windows data folder names mailboxes by their files; they were
  // converted under the names Eudora showed (descmap.pce), so the rules point there too.
  if (std::optional<platform::FileSpec> data = Layout().WindowsDataFolderOf(file)) {
    options.mailboxDisplayName = [this, folder = *data](const std::vector<std::string>& fileNames) {
      platform::FileSpec item = folder;
      for (const std::string& name : fileNames) item = platform::Child(item, name);
      return Layout().DisplayName(item);
    };
  }
  // Apple Mail's preferences are read once, when a filter first tests a personality.
  std::optional<std::string> preferences;
  options.lookUpAccount = [&](const std::string& name) -> std::optional<std::string> {
    if (!preferences) {
      preferences.emplace();
      const platform::FileSpec path =
          platform::Child(platform::Child(library, "Preferences"), "com.apple.mail.plist");
      if (platform::ReadFile(path, *preferences, kMaxPreferencesSize) != 0) preferences->clear();
    }
    return filters::FindMailAccountPath(*preferences, name);
  };

  if (mProgressBar) {
    mProgressBar->SetIndeterminate(false);
    mProgressBar->SetMinMax(0, ProgressValue(in.SourceSize()));
    mProgressBar->SetValue(0);
  }
  ProcessNextEvent();

  const std::string fileName = GetUnicodeFilename(file, 0);
  if (mFileNameText) mFileNameText->SetText(filters::CutUTF8("Filter file: " + fileName, 255));
  if (!fileStream)
    WriteLog("  Could not read the filter file \"" + fileName + "\": " + platform::ErrorText(openError) + "\n");

  platform::MemoryOutput rules;
  std::string ruleName;
  bool more = false;
  do {
    more = filters::ProcessSingleFilterItem(in, rules, ruleName, options);
    if (mDetailText) mDetailText->SetText(ruleName);
    if (mProgressBar) mProgressBar->SetValue(ProgressValue(in.Tell()));
    ProcessNextEvent();
    ++mRuleCount;
  } while (more && !mCancelled);

  // The rules file: created when missing; otherwise rewritten whole with the rules added
  // (through a temporary file, so that an interrupted run leaves the old file or the new).
  const filters::RulesFileFormat format = filters::RulesFileFormatFor(mIsMacOS104OrLater);
  const platform::FileSpec mail = platform::Child(library, "Mail");
  const platform::FileSpec rulesFile = platform::Child(mail, filters::RulesFileName(format));
  if (rules.Data().empty() && platform::Exists(rulesFile)) return;
  if (!platform::Exists(mail)) {
    if (int error = platform::CreateFolder(mail)) {
      ReportWriteFailure("the folder " + mail.FullPath(), error);
      return;
    }
  }
  const filters::RulesFileUpdate update =
      filters::PlanRulesFileUpdate(format, rules.Data(), [&](const std::string& name, std::string& bytes) {
        const platform::FileSpec item = platform::Child(mail, name);
        if (!platform::Exists(item)) return ENOENT;
        const int64_t size = platform::FileSize(item);
        if (size > static_cast<int64_t>(kMaxRulesFileSize)) return EFBIG;
        const int error = platform::ReadFile(item, bytes, kMaxRulesFileSize);
        // A link to nothing is in the way as much as a file is.
        return error == ENOENT ? ENOLINK : error;
      });
  const std::string target = update.name.empty() ? std::string() : platform::Child(mail, update.name).FullPath();
  if (!update.unusable.empty()) {
    const filters::RulesFileUpdate::Unusable& first = update.unusable.front();
    ReportWriteFailure(platform::Child(mail, first.name).FullPath() + ": " + first.reason +
                           "; it is left as it is" +
                           (target.empty() ? std::string() : " and the converted rules go to " + target),
                       0);
  }
  if (target.empty()) {
    ReportWriteFailure("the rules of the filter file \"" + fileName + "\": no rules file in " + mail.FullPath() +
                           " can take them",
                       0);
    return;
  }
  // Whatever is written must be read back by Apple Mail as a property list.
  filters::PlistElement check;
  if (!filters::ParseXMLPropertyList(update.bytes, check)) {
    ReportWriteFailure(target + ": the rules of the filter file \"" + fileName + "\" did not make a property list",
                       0);
    return;
  }
  if (int error = platform::ReplaceFileAtomically(target, update.bytes)) ReportWriteFailure(target, error);
}
