// The Thunderbird target of one mailbox: its mail folder file, inside the folders that
// repeat the Eudora folders around the mailbox. Each message is assembled on its own and
// appended to the file once it is finished, so the file only ever receives whole messages;
// a file of that name that is there already (an Eudora folder and a mailbox of the same
// name, or two mailboxes of one name and place) keeps what it holds and gets the messages
// after it.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "mailboxes/mailbox_converter.h"
#include "mailboxes/thunderbird_writer.h"
#include "platform/files.h"
#include "platform/output_stream.h"

namespace mailboxes {

class ThunderbirdSink final : public MessageSink {
 public:
  // Appends messages to mbox, which the caller keeps alive; mboxPath names it in failures.
  // A message too big for memory is assembled in an unnamed file in scratchFolder.
  ThunderbirdSink(platform::OutputStream& mbox, std::string mboxPath, std::string scratchFolder);

  // Creates the enclosing folders for the mailbox in baseFolder (CreateFolderHierarchy) and
  // opens its mail folder file for appending. relativePath receives the enclosing folders'
  // names, each followed by "/". Returns null with error set when a folder or the file
  // cannot be made.
  static std::unique_ptr<ThunderbirdSink> Create(const MailboxPlacement& placement,
                                                 const platform::FileSpec& baseFolder, std::string& relativePath,
                                                 int& error);

  // The current message only; FinishMessage appends it to the mail folder file.
  platform::OutputStream& Output() override { return message_; }
  bool OneFilePerMessage() const override { return true; }
  bool IsMboxFile() const override { return true; }
  bool Splits() const override { return false; }
  // Sets the has-attachments bit of X-Mozilla-Status2 when the message has attachments
  // (a negative count means none), then appends the message with every "From " line of
  // its text guarded by a blank.
  bool FinishMessage(const FinishedMessage& message) override;
  bool Close(int32_t converted) override;
  // The labels whose tag (LabelTagKey) the appended messages carry.
  const std::set<int32_t>& TaggedLabels() const { return taggedLabels_; }
  const std::string& FailedPath() const override { return failedPath_; }
  int Error() const override { return error_; }

 private:
  bool Fail(int error);

  std::unique_ptr<platform::FileOutput> file_;  // when the sink opened the file itself
  platform::OutputStream& mbox_;
  std::string mboxPath_;
  platform::SpillOutput message_;
  FromLineGuard guard_;
  std::string failedPath_;
  int error_ = 0;
  std::set<int32_t> taggedLabels_;
};

}  // namespace mailboxes
