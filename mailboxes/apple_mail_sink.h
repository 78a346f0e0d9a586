// The Apple Mail target of one mailbox: a package with one .emlx file per message (10.4
// and later), or with one "mbox" file and its "table_of_contents" (earlier systems).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mailboxes/enclosing_folders.h"
#include "mailboxes/mailbox_converter.h"
#include "platform/files.h"
#include "platform/output_stream.h"

namespace mailboxes {

class AppleMailSink final : public MessageSink {
 public:
  // Creates the package (and its enclosing folders) for the mailbox in importFolder.
  // relativePath receives the enclosing folders' names, each followed by "/". Returns null
  // with error set when the package or its files cannot be created.
  static std::unique_ptr<AppleMailSink> Create(const MailboxPlacement& placement, const platform::FileSpec& importFolder,
                                               bool messageFiles, bool japaneseSource, std::string& relativePath,
                                               int& error);

  // The mailbox as the property lists name it: the import folder, "/" and the display name.
  void SetOriginalMailbox(std::string text) { originalMailbox_ = std::move(text); }

  platform::OutputStream& Output() override;
  bool OneFilePerMessage() const override { return messageFiles_; }
  bool IsMboxFile() const override { return !messageFiles_; }
  bool Splits() const override { return !messageFiles_; }
  bool FinishMessage(const FinishedMessage& message) override;

  bool Close(int32_t converted) override;
  const std::string& FailedPath() const override { return failedPath_; }
  int Error() const override { return error_; }

 private:
  AppleMailSink(platform::FileSpec folder, bool messageFiles, bool japaneseSource);
  bool Fail(const std::string& path, int error);

  platform::FileSpec folder_;  // the package, or its "Messages" folder
  bool messageFiles_;
  bool japaneseSource_;
  std::string originalMailbox_;
  std::unique_ptr<platform::SpillOutput> message_;  // message-file form: the current message
  platform::FileOutput mbox_;                       // single-mbox form
  platform::FileOutput toc_;
  std::string failedPath_;
  int error_ = 0;
};

}  // namespace mailboxes
