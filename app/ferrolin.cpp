#include "app/ferrolin.h"

#include <iostream>

#include "discovery/eudora_layout.h"
#include "platform/system.h"

#ifndef FERROLIN_VERSION
#define FERROLIN_VERSION "0.0.0"
#endif

Ferrolin::Ferrolin(platform::UserInterface& ui, FerrolinFolders folders)
    : platform::Application(ui), folders_(std::move(folders)) {}

Ferrolin::~Ferrolin() = default;

std::string Ferrolin::ShortVersion() { return FERROLIN_VERSION; }

std::string Ferrolin::AboutText() {
  return "Moves Eudora mailboxes, nicknames and filters into Apple Mail or Thunderbird.";
}

std::string Ferrolin::VersionText() {
  std::string text = ShortVersion();
  if (text.size() > 255) text.resize(255);
  return text + " " + AboutText();
}

platform::FileSpec Ferrolin::LibraryFolder() {
  std::string path = folders_.home + "/Library";
  platform::CreateFolders(path);
  return platform::FileSpecFromPath(path);
}

std::string Ferrolin::ThunderbirdFolder() const {
  if (!folders_.thunderbird.empty()) return folders_.thunderbird;
  return folders_.home + "/Library/Thunderbird";
}

void Ferrolin::ReportWriteFailure(const std::string& what, int error) {
  ++mWriteFailures;
  std::string text = "could not write " + what;
  if (error != 0) text += ": " + platform::ErrorText(error);
  std::cerr << "ferrolin: " << text << "\n";
  WriteLog("  *** Error: " + text + "\n");
}

void Ferrolin::NoteLogFailure(int error) {
  // Logging never stops a run, but a log that could not be written is reported once.
  if (mLogFailureReported) return;
  mLogFailureReported = true;
  ++mWriteFailures;
  std::cerr << "ferrolin: could not write the run log " << folders_.home << "/Library/Logs/Ferrolin.log";
  if (error != 0) std::cerr << ": " << platform::ErrorText(error);
  std::cerr << "\n";
}

bool Ferrolin::EnterFolderOnce(const platform::FileSpec& folder) {
  platform::FileIdentity id;
  if (!platform::IdentityOf(folder, id)) return true;
  return mEnteredFolders.insert(id).second;
}

void Ferrolin::RefreshFileName(const std::string& text) {
  uint32_t now = platform::TickCount();
  if (now - mLastRefreshTicks < 2) return;
  if (mFileNameText) mFileNameText->SetText(text);
  ProcessNextEvent();
  mLastRefreshTicks = platform::TickCount();
}

void Ferrolin::HandleAppleEvent(const platform::AppleEvent& event, platform::AppleEvent& reply,
                                platform::Descriptor& result, long number) {
  (void)result;
  switch (number) {
    case platform::kEventOpenApplication:
      StartUp();
      break;
    case platform::kEventOpenDocuments:
      DoAEOpenDoc(event, reply, number);
      break;
    case platform::kEventQuit:
      mCancelled = true;
      DoQuit();
      break;
    case platform::kEventReopenApplication:
    case 2008:
    case 2009:
      break;
    case platform::kEventSetData: {
      platform::OSType property = GetAEPropertyIDFromSetDataAE(event);
      const platform::Descriptor* data = event.Param(platform::kKeyData);
      if (!data) break;
      if (property == kPropShowDialogs || property == kPropConvertMailboxes || property == kPropConvertNicknames ||
          property == kPropConvertFilters) {
        bool value = false;
        if (!platform::GetBoolean(*data, value)) break;
        if (property == kPropShowDialogs) mShowDialogs = value;
        if (property == kPropConvertMailboxes) mConvertMailboxes = value;
        if (property == kPropConvertNicknames) mConvertNicknames = value;
        if (property == kPropConvertFilters) mConvertFilters = value;
      } else if (property == kPropSourceFlavour || property == kPropTarget) {
        platform::OSType value = 0;
        if (!platform::GetOSType(*data, value)) break;
        if (property == kPropSourceFlavour) {
          if (value == kEnumEudora) mSourceFlavour = kFlavourEudora;
          if (value == kEnumEudoraJapanese) mSourceFlavour = kFlavourEudoraJapanese;
          if (value == kEnumMozilla) mSourceFlavour = kFlavourMozilla;
        } else {
          if (value == kEnumAppleMail) mTarget = kTargetAppleMail;
          if (value == kEnumThunderbird) mTarget = kTargetThunderbird;
        }
      }
      break;
    }
    default:
      break;
  }
}

platform::OSType Ferrolin::GetAEPropertyIDFromSetDataAE(const platform::AppleEvent& event) {
  const platform::OSType kNull = platform::kTypeNull;
  const platform::Descriptor* direct = event.Param(platform::kKeyDirectObject);
  if (!direct || direct->type != platform::kTypeObjectSpecifier) return kNull;
  const platform::Descriptor* form = direct->Field(platform::kKeyForm);
  if (!form || form->type != platform::kTypeEnumerated) return kNull;
  const platform::Descriptor* container = direct->Field(platform::kKeyContainer);
  if (!container || container->type != platform::kTypeNull) return kNull;
  platform::OSType form_value = 0;
  if (!platform::GetOSType(*form, form_value) || form_value != platform::kFormProperty) return kNull;
  const platform::Descriptor* selection = direct->Field(platform::kKeySelection);
  platform::OSType property = 0;
  if (!selection || !platform::GetOSType(*selection, property)) return kNull;
  return property;
}

void Ferrolin::StartUp() {
  UI().RunStartUpWindow("Version " + ShortVersion(), AboutText());
  ProcessNextEvent();
  DoQuit();
}

void Ferrolin::ListenToMessage(long message, void*) {
  if (message != platform::kMessageCancel) return;
  WriteLog("\n*** Conversion cancelled by user\n");
  mCancelled = true;
}
