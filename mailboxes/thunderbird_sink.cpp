#include "mailboxes/thunderbird_sink.h"

#include <cerrno>
#include <cstdio>

#include "discovery/file_refs.h"

namespace mailboxes {

namespace {

// Whether the file holds bytes and its last one is no LF: a message appended to it must
// then begin on a line of its own.
bool EndsInsideALine(const platform::FileSpec& file) {
  if (platform::KindOf(file) != platform::ItemKind::kFile) return false;
  auto stream = platform::FileStream::Open(file);
  if (!stream || stream->SourceSize() == 0) return false;
  stream->Seek(stream->SourceSize() - 1);
  const int last = stream->Get();
  return last >= 0 && last != '\n';
}

}  // namespace

ThunderbirdSink::ThunderbirdSink(platform::OutputStream& mbox, std::string mboxPath, std::string scratchFolder)
    : mbox_(mbox), mboxPath_(std::move(mboxPath)), message_(std::move(scratchFolder)), guard_(mbox) {}

std::unique_ptr<ThunderbirdSink> ThunderbirdSink::Create(const MailboxPlacement& placement,
                                                         const platform::FileSpec& baseFolder,
                                                         std::string& relativePath, int& error) {
  platform::FileSpec folder;
  relativePath = CreateFolderHierarchy(placement, baseFolder, folder, error);
  if (error != 0) return nullptr;
  const platform::FileSpec path = platform::Child(folder, ThunderbirdMailboxName(placement));
  const bool needsLineEnd = EndsInsideALine(path);
  auto file = std::make_unique<platform::FileOutput>();
  if (!file->Open(path.FullPath(), /*append=*/true) || (needsLineEnd && !file->Write("\n"))) {
    error = file->Error() != 0 ? file->Error() : EIO;
    return nullptr;
  }
  std::unique_ptr<ThunderbirdSink> sink(new ThunderbirdSink(*file, path.FullPath(), folder.FullPath()));
  sink->file_ = std::move(file);
  return sink;
}

bool ThunderbirdSink::Fail(int error) {
  if (error_ == 0) {
    error_ = error != 0 ? error : EIO;
    failedPath_ = mboxPath_;
  }
  return false;
}

bool ThunderbirdSink::FinishMessage(const FinishedMessage& m) {
  if (error_ != 0) return false;
  if (message_.Failed()) return Fail(message_.Error());
  const Frln_MessageInfo& info = *m.info;
  // The header pass wrote eight zero-or-label digits there; a message with attachments gets
  // the has-attachments bit.
  const uint64_t digitsAt = static_cast<uint64_t>(info.status2Offset);
  if (m.attachmentCount > 0 && info.status2Offset > 0 && digitsAt + 8 <= message_.Position()) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", AttachmentStatus2(info.tocEntry.label, m.tocUsable));
    message_.WriteAt(digitsAt, std::string_view(digits, 8));
  }
  guard_.Begin();
  const bool copied = message_.CopyTo(guard_);
  if (!guard_.Finish() || mbox_.Failed()) return Fail(mbox_.Error());
  if (!copied) return Fail(message_.Error());
  // The header pass gave the message its keyword line from the same entry.
  if (m.tocUsable && !LabelTagKey(info.tocEntry.label).empty()) taggedLabels_.insert(info.tocEntry.label);
  return true;
}

bool ThunderbirdSink::Close(int32_t) {
  if (file_ && !file_->Close()) Fail(file_->Error());
  return error_ == 0;
}

}  // namespace mailboxes
