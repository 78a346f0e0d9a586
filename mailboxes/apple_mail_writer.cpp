#include "mailboxes/apple_mail_writer.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "discovery/file_refs.h"
#include "platform/encodings.h"
#include "text/escaping.h"
#include "text/recode.h"
#include "text/ascii.h"
#include "mailboxes/enclosing_folders.h"

namespace mailboxes {

namespace {

void AppendBE32(std::string& out, uint32_t value) {
  out += static_cast<char>(value >> 24);
  out += static_cast<char>(value >> 16);
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

std::string WithoutZeroBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\0') out += c;
  return out;
}

// UTF-8 text as XML character data. XML 1.0 allows no control characters but tab, line feed
// and carriage return; a header with others (binary junk, a stray escape byte) would make the
// whole property list unreadable, so each becomes a blank. Then the markup characters are
// escaped.
std::string XMLText(std::string utf8) {
  for (char& c : utf8) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') c = ' ';
  }
  return text::CleanUpXMLString(std::move(utf8));
}

void AppendKeyValue(std::string& out, std::string_view key, std::string_view element, std::string_view value) {
  out += "\t<key>";
  out += key;
  out += "</key>\n\t<";
  out += element;
  out += '>';
  out += value;
  out += "</";
  out += element;
  out += ">\n";
}

}  // namespace

// ---------------------------------------------------------------- flag word and labels

uint32_t CreateStatusFlags(int8_t state, uint8_t priority, int32_t attachmentCount, bool propertyListBits) {
  // Bits 10-15 count the attachments; Apple Mail writes 63 when it does not know the count.
  uint32_t flags;
  if (attachmentCount > 63)
    flags = 0xFCC0;
  else if (attachmentCount <= 0)
    flags = 0x80 + 63u * 1024;
  else
    flags = 0x80 + static_cast<uint32_t>(attachmentCount) * 1024;
  switch (state) {
    case 2:
    case 9:
      flags += 0x1;  // read
      break;
    case 3:
      flags += 0x5;  // read, replied
      break;
    case 4:
      flags += 0x201;  // read, redirected
      break;
    case 8:
      flags += 0x101;  // read, forwarded
      break;
    default:
      break;
  }
  if (propertyListBits) {
    flags += 0x02010000;
    if (priority == 120)
      flags += 0x00020000;
    else if (priority > 120)
      flags += 0x00040000;
  }
  return flags;
}

std::string LabelColor(int32_t label) {
  static constexpr const char* kColors[] = {"ff0066", "dd0000", "ff9900", "00ff99", "00dd00",
                                            "000066", "660033", "ff3333", "ffcc33", "66ff33",
                                            "33ff99", "33ccff", "6633ff", "ff66ff", "663366"};
  if (label < 1 || label > 15) return "";
  return kColors[label - 1];
}

uint32_t LabelFlag(int32_t label) {
  if (label >= 1 && label <= 7) return 0x40000000;
  if (label >= 8) return 0x20000000;
  return 0;
}

// ---------------------------------------------------------------- the package

std::string PackageName(const std::string& unicodeName, uint64_t sequence) {
  if (sequence == 0) return text::TrimAffix(text::TrimAffix(unicodeName, ".mbx"), ".MBX") + ".mbox";
  return unicodeName + "-" + std::to_string(sequence) + ".mbox";
}

std::string PackageName(const MailboxPlacement& placement, uint64_t sequence) {
  if (!placement.userName) return PackageName(placement.fileName, sequence);
  return *placement.userName + (sequence == 0 ? std::string() : "-" + std::to_string(sequence)) + ".mbox";
}

std::string CreateNewMboxPackage(const MailboxPlacement& placement, const platform::FileSpec& importFolder,
                                 bool messageFiles, platform::FileSpec& outputFolder, int& error) {
  error = 0;
  std::string relativePath;
  platform::FileSpec current = importFolder;
  for (const std::string& name : placement.folders) {
    platform::FileSpec next = platform::Child(current, name);
    if (int rc = platform::UseOrCreateFolder(next); rc != 0) {
      error = rc;
      return relativePath;
    }
    relativePath += name + "/";
    current = next;
  }

  platform::FileSpec package;
  for (uint64_t sequence = 0;; ++sequence) {
    package = platform::Child(current, PackageName(placement, sequence));
    if (platform::Exists(package)) continue;
    int rc = platform::CreateFolder(package);
    if (rc == 0) break;
    if (rc != EEXIST) {
      error = rc;
      return relativePath;
    }
  }

  if (messageFiles) {
    platform::FileSpec messages = platform::Child(package, "Messages");
    if (int rc = platform::CreateFolder(messages); rc != 0) {
      error = rc;
      return relativePath;
    }
    outputFolder = messages;
  } else {
    outputFolder = package;
  }
  return relativePath;
}

// ---------------------------------------------------------------- table_of_contents

std::string TOCPreamble() {
  std::string out;
  AppendBE32(out, kTOCMagic);
  out.append(kTOCHeaderSize - 4, '\0');
  AppendBE32(out, kTOCEndMarker);
  return out;
}

bool WriteTOCPreamble(platform::OutputStream& toc) {
  return toc.Write(TOCPreamble());
}

bool WriteTOCHeader(platform::OutputStream& toc, uint32_t count, int64_t now) {
  if (toc.Position() < kTOCPreambleSize) return false;
  std::string fields;
  AppendBE32(fields, count);
  AppendBE32(fields, static_cast<uint32_t>(now));
  return toc.WriteAt(4, fields);
}

std::string TOCMessageRecord(uint64_t offset, uint64_t length, int32_t dateKey, int8_t state,
                             std::string_view sender, std::string_view subject, int32_t dateSent,
                             int32_t attachmentCount) {
  const std::string cleanSender = WithoutZeroBytes(sender);
  const std::string cleanSubject = WithoutZeroBytes(subject);
  const uint64_t size = 47 + static_cast<uint64_t>(cleanSender.size()) + cleanSubject.size();
  if (offset > UINT32_MAX || length > UINT32_MAX || size > UINT32_MAX) return "";
  std::string record;
  record.reserve(static_cast<size_t>(size));
  AppendBE32(record, static_cast<uint32_t>(size));
  AppendBE32(record, static_cast<uint32_t>(offset));
  AppendBE32(record, static_cast<uint32_t>(length));
  AppendBE32(record, static_cast<uint32_t>(dateKey));
  record += state == 1 ? "*   " : "    ";
  record += cleanSender;
  record += '\0';
  record += cleanSubject;
  record.append(2 + 12, '\0');
  AppendBE32(record, static_cast<uint32_t>(dateSent));
  AppendBE32(record, 0x00FFFFFF);
  AppendBE32(record, CreateStatusFlags(state, 120, attachmentCount, false));
  return record;
}

bool WriteTOCMessage(platform::OutputStream& toc, uint64_t offset, uint64_t length, int32_t dateKey, int8_t state,
                     std::string_view sender, std::string_view subject, int32_t dateSent, int32_t attachmentCount) {
  const uint64_t end = toc.Position();
  if (end < kTOCPreambleSize) return false;
  std::string bytes = TOCMessageRecord(offset, length, dateKey, state, sender, subject, dateSent, attachmentCount);
  if (bytes.empty()) return false;
  AppendBE32(bytes, kTOCEndMarker);
  // The record takes the end marker's place; the marker follows it again.
  return toc.Truncate(end - 4) && toc.Write(bytes);
}

// ---------------------------------------------------------------- .emlx files

std::string XMLInfoText(const EmlxInfo& info) {
  // The header pass leaves these texts in ISO Latin 1, or in ISO-2022-JP for Japanese mail,
  // which shows by its escape sequences even when the source was not declared Japanese.
  const bool japanese = info.japaneseSource || info.sender.find('\x1B') != std::string::npos ||
                        info.subject.find('\x1B') != std::string::npos ||
                        info.recipients.find('\x1B') != std::string::npos;
  const platform::TextEncoding encoding = japanese ? platform::kISO2022JP : platform::kISOLatin1;
  auto headerText = [encoding](const std::string& bytes) { return XMLText(text::MakeUTF8(bytes, encoding)); };

  uint32_t flags = CreateStatusFlags(info.state, info.priority, info.attachmentCount, true);
  if (info.label != 0) flags += LabelFlag(info.label);

  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n";
  AppendKeyValue(out, "date-sent", "real", std::to_string(info.dateSent));
  if (info.label != 0) AppendKeyValue(out, "color", "string", LabelColor(info.label));
  AppendKeyValue(out, "flags", "integer", std::to_string(flags));
  // The mailbox text is built from file names, which are UTF-8 unless they are Mac Roman.
  AppendKeyValue(out, "original-mailbox", "string",
                 "local:///" + XMLText(platform::FileNameToUTF8(info.originalMailbox)));
  AppendKeyValue(out, "sender", "string", headerText(info.sender));
  AppendKeyValue(out, "subject", "string", headerText(info.subject));
  AppendKeyValue(out, "to", "string", headerText(info.recipients));
  out += "</dict>\n</plist>\n";
  return out;
}

bool WriteXMLInfo(platform::OutputStream& out, const EmlxInfo& info) {
  return out.Write(XMLInfoText(info));
}

bool WriteEmlxFile(const std::string& path, platform::SpillOutput& message, const EmlxInfo& info, int& error) {
  error = 0;
  if (message.Failed()) {
    error = message.Error();
    return false;
  }
  platform::FileOutput file;
  if (!file.Open(path)) {
    error = file.Error() != 0 ? file.Error() : EIO;
    return false;
  }
  bool ok = file.Write(std::to_string(message.Position()) + "\n") && message.CopyTo(file) &&
            WriteXMLInfo(file, info);
  ok = file.Close() && ok;
  if (ok) return true;
  error = file.Error() != 0 ? file.Error() : message.Error() != 0 ? message.Error() : EIO;
  // A cut-off .emlx file would make Apple Mail misread the message; none is better.
  platform::RemoveFile(path);
  return false;
}

}  // namespace mailboxes
