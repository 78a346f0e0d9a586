// Embedded images of HTML messages. Eudora saves the images of an HTML message in its
// "Parts Folder", leaves the HTML referring to them by "cid:" URLs and ends the message with
// one line per saved file ("Embedded Content: image1.gif: 00000001,4a7b2c3d,00000000,00000000",
// "Related: :Disk:image1.gif:0022466E:277BFD3A:00000000:00000000", or the French and German
// forms). Such a message becomes multipart/related again: the first "cid:" reference makes
// the driver convert the message a second time with the related wrapping, during which the
// identifiers are collected; each embedded-content line then attaches its file under the
// identifier that matches it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "mailboxes/attachments.h"
#include "mailboxes/body_conversion.h"
#include "mailboxes/mailbox_converter.h"
#include "mailboxes/message_info.h"
#include "platform/output_stream.h"

namespace mailboxes {

// The position of the next "cid:" reference in line at or after from: an occurrence after
// '<', 'src="' or 'href="' (any case). npos when there is none; an occurrence at the very
// start of the line ends the search.
size_t FindContentIdReference(std::string_view line, size_t from);
// The identifier of the reference at position at: up to the closing '"' when a quote opens
// it, else up to '>' (or the end of the line); at most 255 bytes.
std::string ContentIdAt(std::string_view line, size_t at);

// The content identifiers referenced by the HTML of a mailbox and not yet matched to a
// saved file, kept for one mailbox: an identifier left over in one message may be matched
// by a file named in a later one.
class ContentIdList {
 public:
  // Adds an identifier that is not there yet; it is matched after those added before it.
  void Add(std::string_view id);
  bool Empty() const { return set_.empty(); }
  bool Contains(const std::string& id) const { return set_.count(id) != 0; }
  // The identifier for a saved file's name, removed from the list: the name itself, the
  // name once more without one digit (a last digit, or the digit before the extension:
  // "image12.gif" is tried as "image1.gif"), else the oldest identifier still open.
  // Empty when none is open.
  std::string Match(std::string_view name);

  // Changes are recorded from here on, so that TakeBack can undo them.
  void Checkpoint();
  void TakeBack();

 private:
  enum class Change { kAdded, kRemoved, kTaken };
  std::unordered_set<std::string> set_;
  std::deque<std::string> queue_;  // newest at the front; taken from the back
  std::vector<std::pair<Change, std::string>> changes_;
};

// An embedded-content line: true with the saved file's name (as the line holds it, the last
// component of a Mac path) for such a line. macRoman: the line comes from a Mac mailbox, where
// the French form is written in Mac Roman.
bool ParseEmbeddedContentLine(std::string_view line, bool macRoman, std::string& name);
// The UTF-8 name of a saved file from the name in an embedded-content line (in Windows Latin
// 1 when crlf is set, else Mac Roman), with its percent escapes replaced.
std::string EmbeddedFileName(std::string name, bool crlf);

// Everything that puts files back into the messages of one mailbox: the three hooks of the
// body conversion and what they keep from message to message.
struct ReattachSetup {
  int32_t flavour = 1;
  bool crlf = false;                               // a Windows mailbox
  std::shared_ptr<AttachmentFolder> attachments;   // null: the Attachments Folder was not located
  std::shared_ptr<AttachmentFolder> parts;         // null: the Parts Folder was not located
  std::function<void(const std::string& detail)> progress;  // progress line, and a turn of the event loop
  std::function<void(const std::string& text)> log;
  std::function<void()> countAttachment;
};

class Reattacher final : private ReattachReport {
 public:
  explicit Reattacher(ReattachSetup setup) : setup_(std::move(setup)) {}

  bool AttachmentLine(platform::OutputStream& out, const std::string& line, const std::string& boundary,
                      bool isApplication);
  bool EmbeddedContentLine(platform::OutputStream& out, const std::string& line, BodyState& state,
                           std::string& messageBoundary);
  bool ContentIds(const std::string& line, Frln_MessageInfo& info);
  // A message begins; again: the same message once more after the related rewind. What
  // the first pass logged and counted is not repeated by the second.
  void MessageBegins(bool again);

  // "cid:" references are collected only when the saved files can be found.
  bool CollectsContentIds() const { return setup_.parts != nullptr; }
  ContentIdList& Ids() { return ids_; }

 private:
  void Progress(const std::string& detail) override;
  void Done(const std::string& logLine, bool recovered) override;

  ReattachSetup setup_;
  ContentIdList ids_;
  int32_t reported_ = 0;  // log lines of this pass of the message
  int32_t replay_ = 0;    // log lines of the first pass still to be passed over
};

// Hands the reattacher's hooks to the mailbox driver.
void InstallReattachHooks(MailboxSettings& settings, const std::shared_ptr<Reattacher>& reattacher);

}  // namespace mailboxes
