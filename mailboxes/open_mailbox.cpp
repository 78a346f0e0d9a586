// The mailbox driver: opens a queued mailbox, finds its table of contents, prepares the
// target's package or folder file, converts the messages and logs what happened.
#include <ctime>

#include "app/ferrolin.h"
#include "discovery/file_refs.h"
#include "mailboxes/apple_mail_sink.h"
#include "mailboxes/embedded_content.h"
#include "mailboxes/mailbox_converter.h"
#include "mailboxes/thunderbird_sink.h"
#include "platform/system.h"
#include "text/ascii.h"

bool Ferrolin::OpenMailbox(platform::FileSpec file, const platform::FileSpec& targetFolder, int32_t depth,
                           platform::FileSpec& attachmentsFolder, platform::FileSpec& partsFolder, bool attachmentsFound,
                           bool partsFound) {
  (void)attachmentsFolder;
  (void)partsFolder;
  (void)attachmentsFound;
  (void)partsFound;
  // A mailbox that cannot be read converts as an empty one.
  int readError = 0;
  std::unique_ptr<platform::ByteStream> input = platform::FileStream::Open(file, &readError);
  if (!input) input = std::make_unique<platform::MemoryStream>(std::string_view());

  const mailboxes::LineEnds ends = mailboxes::DetectLineEnds(*input);
  const mailboxes::TableOfContents toc = mailboxes::FindTableOfContents(file, ends.crlf);

  mailboxes::MailboxSettings settings;
  settings.target = mTarget;
  settings.flavour = mSourceFlavour;
  settings.now = std::time(nullptr);

  // The target's container for this mailbox.
  std::string relativePath;
  int error = 0;
  std::unique_ptr<mailboxes::MessageSink> sink;
  // Mailboxes and folders take the names Eudora showed for them where its descmap.pce tells.
  const mailboxes::MailboxPlacement placement = mailboxes::PlaceMailbox(file, depth, &Layout());
  const std::string mailboxName = placement.Name();
  if (mTarget == kTargetAppleMail) {
    auto apple = mailboxes::AppleMailSink::Create(placement, targetFolder, mIsMacOS104OrLater,
                                                  mSourceFlavour == kFlavourEudoraJapanese, relativePath, error);
    if (apple) apple->SetOriginalMailbox(mImportFolderName + "/" + relativePath + mailboxName);
    sink = std::move(apple);
  } else if (mTarget == kTargetThunderbird) {
    sink = mailboxes::ThunderbirdSink::Create(placement, targetFolder, relativePath, error);
  }
  const std::string displayName = relativePath + mailboxName;

  const bool firstCall = mResumePosition == 0;
  if (firstCall) {
    if (mFileNameText) mFileNameText->SetText("Mailbox: " + displayName);
    WriteLog("* Mailbox \"" + displayName + "\"");
    if (mSourceFlavour == kFlavourMozilla) {
      WriteLog("\n");
    } else {
      WriteLog(std::string(" - mailbox format: ") + (ends.crlf ? "Windows" : "Mac") + ", TOC: ");
      WriteLog(mailboxes::TocKindText(toc.kind));
      if (toc.kind == mailboxes::kTocCorrupt) WriteLog("   (try rebuilding the TOC in Eudora and re-import the mailbox)");
      WriteLog("\n");
      if (toc.Usable()) WriteLog("  Number of messages according to TOC: " + std::to_string(toc.entryCount) + "\n");
    }
    if (mProgressBar) {
      mProgressBar->SetIndeterminate(false);
      int64_t maximum = toc.Usable() ? toc.entryCount : static_cast<int64_t>(input->SourceSize());
      mProgressBar->SetMinMax(0, static_cast<int32_t>(std::min<int64_t>(maximum, INT32_MAX)));
    }
    ProcessNextEvent();
  }
  if (readError != 0) WriteLog("  Could not read the mailbox: " + platform::ErrorText(readError) + "\n");
  if (!sink && error != 0) ReportWriteFailure("the mailbox package for \"" + displayName + "\"", error);

  int32_t converted = 0;
  bool callAgain = false;
  if (sink) {
    mailboxes::MailboxHooks hooks;
    hooks.log = [this](const std::string& text) { WriteLog(text); };
    hooks.cancelled = [this]() { return mCancelled; };
    hooks.progress = [this](const std::string& detail, int64_t value) {
      uint32_t now = platform::TickCount();
      if (now - mLastRefreshTicks < 2) return;
      if (mDetailText) mDetailText->SetText(detail);
      if (mProgressBar) mProgressBar->SetValue(static_cast<int32_t>(std::min<int64_t>(value, INT32_MAX)));
      ProcessNextEvent();
      mLastRefreshTicks = platform::TickCount();
    };
    // Attachments and embedded content are re-attached through settings.convertAttachment,
    // settings.embeddedContent and settings.contentIds. The Attachments Folder is kept for
    // the whole run, so that its listing for shortened names is made once.
    if (mSourceFlavour != kFlavourMozilla) {
      if (attachmentsFound && (!mAttachmentsFolder || mAttachmentsFolder->Folder() != attachmentsFolder))
        mAttachmentsFolder = std::make_shared<mailboxes::DiskAttachmentFolder>(attachmentsFolder);
      mailboxes::ReattachSetup reattach;
      reattach.flavour = mSourceFlavour;
      reattach.crlf = ends.crlf;
      if (attachmentsFound) reattach.attachments = mAttachmentsFolder;
      if (partsFound) reattach.parts = std::make_shared<mailboxes::DiskAttachmentFolder>(partsFolder);
      reattach.progress = [this](const std::string& detail) {
        if (mDetailText) mDetailText->SetText(detail);
        ProcessNextEvent();
      };
      reattach.log = [this](const std::string& text) { WriteLog(text); };
      reattach.countAttachment = [this]() { ++mAttachmentCount; };
      mailboxes::InstallReattachHooks(settings, std::make_shared<mailboxes::Reattacher>(std::move(reattach)));
    }
    mailboxes::MailboxConverter converter(settings, toc, hooks);
    mailboxes::MailboxCounters counters;
    callAgain = converter.Convert(*input, ends, *sink, mResumePosition, converted, counters);
    mBadDateCount += counters.badDates;
    mHTMLMessageCount += counters.htmlMessages;
    mRichTextMessageCount += counters.richTextMessages;
    mAttachmentCount += counters.attachments;
    if (!sink->Close(converted)) {
      ReportWriteFailure(sink->FailedPath(), sink->Error());
      callAgain = false;
    }
    // The tags are defined as soon as a mailbox that uses them is written, so that an
    // interrupted run leaves no finished mailbox with tags Thunderbird cannot show.
    if (auto* thunderbird = dynamic_cast<mailboxes::ThunderbirdSink*>(sink.get()))
      DefineLabelTags(thunderbird->TaggedLabels());
  }
  WriteLog("  Converted " + std::to_string(converted) + " message" + (converted == 1 ? "" : "s") + ".\n");
  mMessageCount += converted;
  return callAgain;
}
