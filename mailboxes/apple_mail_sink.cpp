#include "mailboxes/apple_mail_sink.h"

#include <cerrno>
#include <ctime>

#include "mailboxes/apple_mail_writer.h"

namespace mailboxes {

AppleMailSink::AppleMailSink(platform::FileSpec folder, bool messageFiles, bool japaneseSource)
    : folder_(std::move(folder)), messageFiles_(messageFiles), japaneseSource_(japaneseSource) {}

std::unique_ptr<AppleMailSink> AppleMailSink::Create(const MailboxPlacement& placement,
                                                     const platform::FileSpec& importFolder, bool messageFiles,
                                                     bool japaneseSource, std::string& relativePath, int& error) {
  platform::FileSpec folder;
  error = 0;
  relativePath = CreateNewMboxPackage(placement, importFolder, messageFiles, folder, error);
  if (error != 0) return nullptr;
  std::unique_ptr<AppleMailSink> sink(new AppleMailSink(folder, messageFiles, japaneseSource));
  if (messageFiles) {
    sink->message_ = std::make_unique<platform::SpillOutput>(folder.FullPath());
    return sink;
  }
  const std::string mbox = platform::Child(folder, "mbox").FullPath();
  const std::string toc = platform::Child(folder, "table_of_contents").FullPath();
  if (!sink->mbox_.Open(mbox)) {
    error = sink->mbox_.Error();
    return nullptr;
  }
  if (!sink->toc_.Open(toc) || !WriteTOCPreamble(sink->toc_)) {
    error = sink->toc_.Error() != 0 ? sink->toc_.Error() : EIO;
    return nullptr;
  }
  return sink;
}

platform::OutputStream& AppleMailSink::Output() {
  if (messageFiles_) return *message_;
  return mbox_;
}

bool AppleMailSink::Fail(const std::string& path, int error) {
  if (error_ == 0) {
    error_ = error != 0 ? error : EIO;
    failedPath_ = path;
  }
  return false;
}

bool AppleMailSink::FinishMessage(const FinishedMessage& m) {
  if (error_ != 0) return false;
  const Frln_MessageInfo& info = *m.info;
  if (!messageFiles_) {
    if (mbox_.Failed()) return Fail(mbox_.Path(), mbox_.Error());
    const uint64_t end = mbox_.Position();
    if (!WriteTOCHeader(toc_, static_cast<uint32_t>(m.convertedCount), std::time(nullptr)) ||
        !WriteTOCMessage(toc_, m.outputStart, end - m.outputStart, info.dateKey, m.state, *m.sender, *m.subject,
                         info.dateSent, m.attachmentCount))
      return Fail(toc_.Path(), toc_.Error());
    return true;
  }
  EmlxInfo emlx;
  emlx.state = m.state;
  emlx.priority = info.priority;
  emlx.label = info.tocEntry.label;
  emlx.sender = *m.sender;
  emlx.recipients = *m.recipients;
  emlx.subject = *m.subject;
  emlx.originalMailbox = originalMailbox_;
  emlx.dateSent = info.dateSent;
  emlx.attachmentCount = m.attachmentCount;
  emlx.japaneseSource = japaneseSource_;
  const std::string path = platform::Child(folder_, std::to_string(m.number) + ".emlx").FullPath();
  int error = 0;
  if (!WriteEmlxFile(path, *message_, emlx, error)) return Fail(path, error);
  return true;
}

bool AppleMailSink::Close(int32_t converted) {
  if (messageFiles_) {
    message_.reset();
    return error_ == 0;
  }
  if (!WriteTOCHeader(toc_, static_cast<uint32_t>(converted), std::time(nullptr))) Fail(toc_.Path(), toc_.Error());
  if (!mbox_.Close()) Fail(mbox_.Path(), mbox_.Error());
  if (!toc_.Close()) Fail(toc_.Path(), toc_.Error());
  return error_ == 0;
}

}  // namespace mailboxes
