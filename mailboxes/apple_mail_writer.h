// Apple Mail mailbox packages. Every Eudora mailbox becomes a folder "X.mbox" inside folders
// that repeat the mailbox's place in the Eudora folder tree. Before 10.4 the package holds one
// "mbox" file with every message and the binary index "table_of_contents"; from 10.4 on it
// holds a folder "Messages" with one "N.emlx" file per message: a byte-count line, the
// message, and an XML property list of the message's attributes.
//
// The formatting functions (flag word, index records, property list) are pure; the package
// and .emlx functions do the file handling around them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mailboxes/enclosing_folders.h"
#include "platform/files.h"
#include "platform/output_stream.h"

namespace mailboxes {

// ---------------------------------------------------------------- flag word and labels

// Apple Mail's message flag word. state uses Eudora's Mac numbering (1 unread, 2/9 read,
// 3 replied, 4 redirected, 8 forwarded), priority Eudora's scale (40 highest, 120 normal,
// 200 lowest). The property list carries extra bits (propertyListBits) that the
// table_of_contents record does not.
uint32_t CreateStatusFlags(int8_t state, uint8_t priority, int32_t attachmentCount, bool propertyListBits);

// Apple Mail's colour for a Eudora label: six lower-case hex digits for labels 1-15, "" for
// any other label.
std::string LabelColor(int32_t label);
// The flag-word bit that marks a labelled message: 0x40000000 for labels 1-7, 0x20000000 for
// 8 and above, 0 otherwise.
uint32_t LabelFlag(int32_t label);

// ---------------------------------------------------------------- the package

// Creates the folders for one mailbox's package inside importFolder: the enclosing folders
// of the placement (existing ones are reused), then the package "X.mbox" (or "X-N.mbox" when
// the name is taken) and, for the message-file form, its "Messages" folder. Returns the
// relative path: each enclosing folder's name followed by "/". outputFolder receives the
// package (single-mbox form) or its "Messages" folder. On failure error is the errno value
// and outputFolder is left as it was; otherwise error is 0.
std::string CreateNewMboxPackage(const MailboxPlacement& placement, const platform::FileSpec& importFolder,
                                 bool messageFiles, platform::FileSpec& outputFolder, int& error);

// The package name a mailbox file gets: sequence 0 gives the name without ".mbx"/".MBX" and
// with ".mbox"; sequence n > 0 the whole name followed by "-n.mbox". unicodeName is UTF-8.
std::string PackageName(const std::string& unicodeName, uint64_t sequence);
// The package name of a placed mailbox: the name Eudora showed, when known, with "-n" for a
// sequence n > 0 and ".mbox"; else PackageName of its file name.
std::string PackageName(const MailboxPlacement& placement, uint64_t sequence);

// ---------------------------------------------------------------- table_of_contents

// Layout (big-endian): magic, message count, time stamp of the last rewrite, 20 zero bytes,
// one record per message, end marker.
inline constexpr uint32_t kTOCMagic = 0x000DBBA0;
inline constexpr uint32_t kTOCEndMarker = 0x0216036D;
inline constexpr size_t kTOCHeaderSize = 32;
inline constexpr size_t kTOCPreambleSize = kTOCHeaderSize + 4;

// The 36 bytes of an index without messages: the magic, seven zero words, the end marker.
std::string TOCPreamble();
bool WriteTOCPreamble(platform::OutputStream& toc);

// Rewrites the message count and the time stamp (seconds since 1970 UTC) of an index that
// holds at least its preamble.
bool WriteTOCHeader(platform::OutputStream& toc, uint32_t count, int64_t now);

// The record of one message. offset and length locate the message (from its separator line)
// in the package's "mbox" file; dateKey is year * 512 + month * 32 + day. Zero bytes are
// dropped from sender and subject: the record ends each of them with one. Empty when offset,
// length or the record's own size do not fit in 32 bits.
std::string TOCMessageRecord(uint64_t offset, uint64_t length, int32_t dateKey, int8_t state,
                             std::string_view sender, std::string_view subject, int32_t dateSent,
                             int32_t attachmentCount);

// Appends the message's record in place of the end marker and writes the marker after it.
// False (nothing written) when the index holds less than its preamble or the record cannot be
// formed; false also when the output fails.
bool WriteTOCMessage(platform::OutputStream& toc, uint64_t offset, uint64_t length, int32_t dateKey, int8_t state,
                     std::string_view sender, std::string_view subject, int32_t dateSent, int32_t attachmentCount);

// ---------------------------------------------------------------- .emlx files

// The attributes written in a message's property list. sender, recipients and subject are
// the header pass's texts (ISO Latin 1, or ISO-2022-JP for a Japanese source or when they
// hold an escape byte); originalMailbox is the import folder's name, "/" and the mailbox's
// display name, in UTF-8.
struct EmlxInfo {
  int8_t state = 1;
  uint8_t priority = 120;
  int32_t label = 0;
  std::string sender;
  std::string recipients;
  std::string subject;
  std::string originalMailbox;
  int32_t dateSent = 0;  // seconds since 1970-01-01 00:00 UTC
  int32_t attachmentCount = 0;
  bool japaneseSource = false;
};

// The property list that ends an .emlx file.
std::string XMLInfoText(const EmlxInfo& info);
bool WriteXMLInfo(platform::OutputStream& out, const EmlxInfo& info);

// Writes the .emlx file at path (replacing one of that name): the size of the message in
// decimal and "\n", the message's bytes, the property list. A message whose assembly failed
// is not written. On any failure the partly written file is removed, error receives the
// errno value and the result is false.
bool WriteEmlxFile(const std::string& path, platform::SpillOutput& message, const EmlxInfo& info, int& error);

}  // namespace mailboxes
