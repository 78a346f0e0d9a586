#include "cli/options.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "app/ferrolin.h"
#include "app/summary.h"
#include "platform/system.h"

namespace {

platform::Descriptor Enumerator(platform::OSType value) {
  return platform::MakeOSType(platform::kTypeEnumerated, value);
}

std::string DefaultHome() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (struct passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "";
}

}  // namespace

std::string UsageText() {
  return "usage: ferrolin [OPTIONS] ITEM...\n"
         "Converts the Eudora mailboxes, nickname files and filter files among the ITEMs\n"
         "(files and folders, such as an \"Eudora Folder\") into Apple Mail or Thunderbird.\n"
         "\n"
         "  --home DIR                the user's home folder (default $HOME)\n"
         "  --source eudora|eudora-japanese|mozilla\n"
         "                            what the ITEMs come from (default eudora)\n"
         "  --target apple-mail|thunderbird\n"
         "                            where they go (default apple-mail)\n"
         "  --no-mailboxes, --no-filters, --no-nicknames\n"
         "                            leave that kind of file out (--mailboxes etc. put it back)\n"
         "  --system-version X.Y      the Mac OS version of the target system (default 10.4)\n"
         "  --thunderbird-dir DIR     Thunderbird's folder (default HOME/Library/Thunderbird)\n"
         "  --dialogs, --no-dialogs   ask for the options and show the summary (default off)\n"
         "  --quiet                   print no summary\n"
         "  --version, --help\n"
         "\n"
         "The run log is HOME/Library/Logs/Ferrolin.log.\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
  out = CommandLine{};
  bool homeGiven = false;
  bool dialogs = false;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      out.items.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    out.anyOption = true;
    std::string name = arg, value;
    bool hasValue = false;
    if (size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    auto takeValue = [&]() -> bool {
      if (hasValue) return true;
      if (i + 1 >= args.size()) {
        error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto flag = [&](const char* positive, platform::OSType property) -> int {
      std::string pos = std::string("--") + positive, neg = std::string("--no-") + positive;
      if (name != pos && name != neg) return 0;
      if (hasValue) {
        error = "option " + name + " takes no value";
        return -1;
      }
      out.settings.emplace_back(property, platform::MakeBoolean(name == pos));
      return 1;
    };
    int matched = 0;
    if ((matched = flag("mailboxes", kPropConvertMailboxes)) || (matched = flag("filters", kPropConvertFilters)) ||
        (matched = flag("nicknames", kPropConvertNicknames))) {
      if (matched < 0) return false;
      continue;
    }
    if (name == "--dialogs" || name == "--no-dialogs") {
      if (hasValue) {
        error = "option " + name + " takes no value";
        return false;
      }
      dialogs = name == "--dialogs";
    } else if (name == "--quiet" && !hasValue) {
      out.quiet = true;
    } else if (name == "--help" && !hasValue) {
      out.help = true;
    } else if (name == "--version" && !hasValue) {
      out.version = true;
    } else if (name == "--home") {
      if (!takeValue()) return false;
      if (value.empty()) {
        error = "--home needs a folder";
        return false;
      }
      out.home = value;
      homeGiven = true;
    } else if (name == "--thunderbird-dir") {
      if (!takeValue()) return false;
      if (value.empty()) {
        error = "--thunderbird-dir needs a folder";
        return false;
      }
      out.thunderbird = value;
    } else if (name == "--system-version") {
      if (!takeValue()) return false;
      if (!platform::ParseSystemVersion(value, out.systemVersion)) {
        error = "not a system version: " + value + " (give it as 10.4)";
        return false;
      }
    } else if (name == "--source") {
      if (!takeValue()) return false;
      platform::OSType e = 0;
      if (value == "eudora") e = kEnumEudora;
      if (value == "eudora-japanese") e = kEnumEudoraJapanese;
      if (value == "mozilla") e = kEnumMozilla;
      if (!e) {
        error = "unknown source " + value + " (eudora, eudora-japanese or mozilla)";
        return false;
      }
      out.settings.emplace_back(kPropSourceFlavour, Enumerator(e));
    } else if (name == "--target") {
      if (!takeValue()) return false;
      platform::OSType e = 0;
      if (value == "apple-mail") e = kEnumAppleMail;
      if (value == "thunderbird") e = kEnumThunderbird;
      if (!e) {
        error = "unknown target " + value + " (apple-mail or thunderbird)";
        return false;
      }
      out.settings.emplace_back(kPropTarget, Enumerator(e));
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  out.settings.insert(out.settings.begin(), {kPropShowDialogs, platform::MakeBoolean(dialogs)});
  if (!homeGiven) out.home = DefaultHome();
  if (out.home.empty()) {
    error = "no home folder: give --home";
    return false;
  }
  return true;
}

int RunCommandLine(const CommandLine& command, platform::UserInterface& ui, std::string* summaryOut) {
  platform::SetSystemVersion(command.systemVersion);
  // Folders are taken as absolute paths, so that the log names them in full.
  FerrolinFolders folders;
  folders.home = platform::FileSpecFromPath(command.home).FullPath();
  if (!command.thunderbird.empty()) folders.thunderbird = platform::FileSpecFromPath(command.thunderbird).FullPath();
  Ferrolin app(ui, folders);
  for (const auto& [property, value] : command.settings)
    app.PostEvent(platform::kEventSetData, platform::MakeSetDataEvent(property, value));
  if (command.items.empty()) {
    app.PostEvent(platform::kEventOpenApplication, platform::AppleEvent{});
  } else {
    std::vector<platform::FileSpec> items;
    for (const std::string& item : command.items) items.push_back(platform::FileSpecFromPath(item));
    app.PostEvent(platform::kEventOpenDocuments, platform::MakeOpenDocumentsEvent(items));
  }
  app.Run();
  if (summaryOut) *summaryOut = app.mRunDone ? app.mSummaryText : std::string();
  if (!command.quiet && app.mRunDone && !app.mSummaryText.empty()) {
    std::string text = app.mSummaryText;
    for (char& c : text)
      if (c == '\r') c = '\n';
    std::cout << text << "\n" << std::flush;
  }
  // Standard output carries the summary alone (scripts read it); the note goes with the
  // other messages to the user.
  if (!command.quiet && !app.mNewProfileSetProfile.empty())
    std::cerr << "\n" << NewProfileSetNote(app.mNewProfileSetProfile) << std::flush;
  if (app.WriteFailureCount() > 0) return 1;
  if (app.mCancelled) return 130;
  return 0;
}
