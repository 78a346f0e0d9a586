// Attachment and embedded-content lines as a message may hold them: the name taken from the
// line, the shortened-name test, the part written for a file held in memory (or the text
// standing in for a missing one), content-ID references and their matching.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "mailboxes/attachments.h"
#include "mailboxes/embedded_content.h"
#include "platform/output_stream.h"

namespace {

class Folder final : public mailboxes::AttachmentFolder {
 public:
  bool Open(const std::string& storedName, mailboxes::AttachmentFile& file) override {
    if (storedName.size() % 3 == 0) return false;
    file = mailboxes::AttachmentFile{};
    file.data = std::make_unique<platform::MemoryStream>(std::string_view(storedName).substr(0, storedName.size() % 61));
    file.finder.type = static_cast<uint32_t>(storedName.size() * 2654435761u);
    if (storedName.size() % 2 == 0) file.resourceFork = storedName;
    file.macName = storedName.substr(0, 63);
    return true;
  }
  std::vector<std::string> FindTruncated(const mailboxes::TruncatedName& name) override {
    return mailboxes::TruncatedNameIndex({name.stem + name.extension, name.stem + "x" + name.extension, "a", name.stem})
        .Find(name, [](const std::string& n) { return !n.empty(); });
  }
};

struct Report final : mailboxes::ReattachReport {
  void Progress(const std::string&) override {}
  void Done(const std::string& line, bool) override { size += line.size(); }
  size_t size = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);

  mailboxes::AttachmentLineLanguage(line);
  const std::string name = mailboxes::AttachmentFileName(line);
  mailboxes::TruncatedName truncated;
  mailboxes::ParseTruncatedName(mailboxes::StoredFileName(name), truncated);
  mailboxes::AttachmentMimeType(flags, flags, name);

  Folder folder;
  Report report;
  platform::MemoryOutput out;
  mailboxes::ConvertAttachment(out, line, (flags & 1) ? std::string() : std::string("B"),
                               (flags & 2) ? &folder : nullptr, flags & 4, 1 + (flags & 8 ? 1 : 0), report);

  mailboxes::ContentIdList ids;
  for (size_t at = mailboxes::FindContentIdReference(line, 0); at != std::string::npos;
       at = mailboxes::FindContentIdReference(line, at + 1))
    ids.Add(mailboxes::ContentIdAt(line, at));
  ids.Checkpoint();
  std::string embedded;
  if (mailboxes::ParseEmbeddedContentLine(line, flags & 16, embedded)) {
    ids.Match(embedded);
    const std::string file = mailboxes::EmbeddedFileName(embedded, flags & 32);
    mailboxes::StoredFileName(file);
  }
  ids.Match(line);
  ids.TakeBack();
  return 0;
}
