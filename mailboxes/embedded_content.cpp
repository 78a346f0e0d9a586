#include "mailboxes/embedded_content.h"

#include <algorithm>

#include "platform/encodings.h"
#include "text/ascii.h"
#include "text/escaping.h"
#include "text/recode.h"

namespace mailboxes {

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr size_t kMaxContentId = 255;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The forms of the line and the length of the saved file's identifier that ends it.
struct EmbeddedForm {
  std::string_view prefix;
  size_t identifierLength;
};
constexpr EmbeddedForm kForms[] = {
    {"Related: ", 36},                       // ":0022466E:277BFD3A:00000000:00000000"
    {"Embedded Content: ", 37},              // ": 00000001,277bfd3a,00000000,00000000"
    {"Contenu int\xE9gr\xE9:", 37},          // French, in ISO Latin 1 and Windows Latin 1
    {"Eingebetteter Inhalt:", 37},
};
constexpr std::string_view kFrenchMacRoman = "Contenu int\x8Egr\x8E:";

}  // namespace

size_t FindContentIdReference(std::string_view line, size_t from) {
  for (size_t at = line.find("cid:", from); at != npos; at = line.find("cid:", at + 1)) {
    if (at == 0) return npos;
    if (line[at - 1] == '<') return at;
    if (at >= 5 && text::EqualsNoCase(line.substr(at - 5, 5), "src=\"")) return at;
    if (at >= 6 && text::EqualsNoCase(line.substr(at - 6, 6), "href=\"")) return at;
  }
  return npos;
}

std::string ContentIdAt(std::string_view line, size_t at) {
  const bool quoted = at > 0 && line[at - 1] == '"';
  std::string_view id = line.substr(std::min(at + 4, line.size()));
  id = id.substr(0, id.find(quoted ? '"' : '>'));
  return std::string(id.substr(0, std::min(id.size(), kMaxContentId)));
}

void ContentIdList::Add(std::string_view id) {
  std::string item(id.substr(0, std::min(id.size(), kMaxContentId)));
  if (!set_.insert(item).second) return;
  queue_.push_front(item);
  changes_.emplace_back(Change::kAdded, std::move(item));
}

std::string ContentIdList::Match(std::string_view name) {
  std::string match;
  if (set_.count(std::string(name)) != 0) {
    match = name;
  } else if (!name.empty()) {
    // One retry without a digit of the file number Eudora may have added.
    std::string retry(name);
    const size_t dot = retry.rfind('.');
    if (IsDigit(retry.back()))
      retry.pop_back();
    else if (dot != npos && dot != 0 && IsDigit(retry[dot - 1]))
      retry.erase(dot - 1, 1);
    else
      retry.clear();
    if (!retry.empty() && set_.count(retry) != 0) match = retry;
  }
  if (match.empty()) {
    // The oldest reference still open; those matched already are passed over.
    while (!queue_.empty()) {
      std::string taken = std::move(queue_.back());
      queue_.pop_back();
      const bool open = set_.count(taken) != 0;
      changes_.emplace_back(Change::kTaken, taken);
      if (open) {
        match = std::move(taken);
        break;
      }
    }
  }
  if (!match.empty() && set_.erase(match) != 0) changes_.emplace_back(Change::kRemoved, match);
  return match;
}

void ContentIdList::Checkpoint() { changes_.clear(); }

void ContentIdList::TakeBack() {
  for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
    switch (it->first) {
      case Change::kAdded:
        set_.erase(it->second);
        if (!queue_.empty() && queue_.front() == it->second) queue_.pop_front();
        break;
      case Change::kRemoved:
        set_.insert(it->second);
        break;
      case Change::kTaken:
        queue_.push_back(it->second);
        break;
    }
  }
  changes_.clear();
}

bool ParseEmbeddedContentLine(std::string_view line, bool macRoman, std::string& name) {
  for (const EmbeddedForm& form : kForms) {
    const bool french = form.prefix.starts_with("Contenu");
    size_t prefix = 0;
    if (text::StartsWithNoCase(line, form.prefix))
      prefix = form.prefix.size();
    else if (french && macRoman && text::StartsWithNoCase(line, kFrenchMacRoman))
      prefix = kFrenchMacRoman.size();
    if (prefix == 0) continue;
    std::string_view rest = line.substr(prefix);
    if (rest.size() >= form.identifierLength) rest.remove_suffix(form.identifierLength);
    const size_t colon = rest.rfind(':');
    if (colon != npos) rest.remove_prefix(colon + 1);
    name.assign(rest);
    return true;
  }
  return false;
}

std::string EmbeddedFileName(std::string name, bool crlf) {
  std::erase(name, '\0');
  text::RecodeString(name, crlf ? platform::kWindowsLatin1 : platform::kMacRoman, platform::kISOLatin1);
  // Unescaping also turns the name into UTF-8; a name with a stray '%' is left as it was.
  text::UnescapeString(name);
  if (!platform::IsValidUTF8(name)) name = text::MakeUTF8(name, platform::kISOLatin1);
  return name;
}

bool Reattacher::AttachmentLine(platform::OutputStream& out, const std::string& line, const std::string& boundary,
                                bool isApplication) {
  return ConvertAttachment(out, line, boundary, setup_.attachments.get(), isApplication, setup_.flavour, *this);
}

bool Reattacher::EmbeddedContentLine(platform::OutputStream& out, const std::string& line, BodyState& state,
                                     std::string& messageBoundary) {
  std::string lineName;
  if (!ParseEmbeddedContentLine(line, !setup_.crlf, lineName)) return false;
  if (!setup_.parts || ids_.Empty()) return true;
  const std::string id = ids_.Match(lineName);
  const std::string name = EmbeddedFileName(lineName, setup_.crlf);
  AttachmentFile file;
  const std::string stored = StoredFileName(name);
  if (!platform::IsValidUTF8(stored) || !setup_.parts->Open(stored, file)) {
    Done("  Missing embedded file \"" + name + "\"\n", false);
    return true;
  }
  Progress("Embedded File: " + name);
  if (messageBoundary != state.boundary) {
    // The inner part of the related message ends before its first embedded file.
    out.Write("--" + state.boundary + "--\n");
    state.boundary = messageBoundary;
  }
  ReencodeAttachment(out, file, messageBoundary, name, id);
  Done("  Recovering embedded file \"" + name + "\"\n", true);
  return true;
}

bool Reattacher::ContentIds(const std::string& line, Frln_MessageInfo& info) {
  for (size_t at = FindContentIdReference(line, 0); at != npos; at = FindContentIdReference(line, at + 1)) {
    if (!info.isRelated) {
      // The message is converted once more, as a related message.
      info.isRelated = true;
      return true;
    }
    ids_.Add(ContentIdAt(line, at));
  }
  return false;
}

void Reattacher::MessageBegins(bool again) {
  if (again) {
    // The second pass repeats the first up to the rewind: the same lines meet the same
    // identifiers, and their log lines and counts stand already.
    ids_.TakeBack();
    replay_ = reported_;
  } else {
    ids_.Checkpoint();
    replay_ = 0;
  }
  reported_ = 0;
}

void Reattacher::Progress(const std::string& detail) {
  if (setup_.progress) setup_.progress(detail);
}

void Reattacher::Done(const std::string& logLine, bool recovered) {
  if (replay_ > 0) {
    --replay_;
    return;
  }
  ++reported_;
  if (recovered && setup_.countAttachment) setup_.countAttachment();
  if (setup_.log) setup_.log(logLine);
}

void InstallReattachHooks(MailboxSettings& settings, const std::shared_ptr<Reattacher>& reattacher) {
  settings.convertAttachment = [reattacher](platform::OutputStream& out, const std::string& line,
                                            const std::string& boundary, bool isApplication) {
    return reattacher->AttachmentLine(out, line, boundary, isApplication);
  };
  settings.embeddedContent = [reattacher](platform::OutputStream& out, const std::string& line, BodyState& state,
                                          std::string& messageBoundary) {
    return reattacher->EmbeddedContentLine(out, line, state, messageBoundary);
  };
  if (reattacher->CollectsContentIds()) {
    settings.contentIds = [reattacher](const std::string& line, BodyState&, Frln_MessageInfo& info) {
      return reattacher->ContentIds(line, info);
    };
  }
  settings.messageBegins = [reattacher](bool again) { reattacher->MessageBegins(again); };
}

}  // namespace mailboxes
