#include "mailboxes/apple_mail_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_cursor.h"
#include "support/test_support.h"

namespace mailboxes {
namespace {

using testing_support::ScratchFolder;

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// ---------------------------------------------------------------- flag word and labels

TEST(AppleMailFlags, StatusFlagWord) {
  struct Case {
    int8_t state;
    uint8_t priority;
    int32_t attachments;
    bool plist;
    uint32_t flags;
  } cases[] = {
      {1, 120, 0, true, 0x0203FC80},   // unread, normal, attachment count unknown
      {1, 120, 0, false, 0xFC80},
      {9, 120, 1, false, 0x481},
      {2, 160, 63, false, 0xFC81},
      {3, 200, 0, true, 0x0205FC85},   // replied, lowest priority
      {4, 40, 2, false, 0xA81},         // redirected
      {8, 120, 0, true, 0x0203FD81},    // forwarded
      {9, 80, 0, true, 0x0201FC81},     // high priority: no priority bit
      {5, 120, 1, false, 0x480},        // other states add nothing
      {1, 120, -3, false, 0xFC80},
      {1, 120, 64, false, 0xFCC0},      // more than 63: base and count give 0xFCC0
      {9, 120, 70, true, 0x0203FCC1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << int(c.state) << " priority " << int(c.priority) << " attachments "
                                    << c.attachments << " plist " << c.plist);
    EXPECT_EQ(CreateStatusFlags(c.state, c.priority, c.attachments, c.plist), c.flags);
  }
}

TEST(AppleMailFlags, LabelColourAndBit) {
  struct Case {
    int32_t label;
    const char* color;
    uint32_t bit;
  } cases[] = {{0, "", 0},          {1, "ff0066", 0x40000000}, {7, "660033", 0x40000000},
               {8, "ff3333", 0x20000000}, {9, "ffcc33", 0x20000000}, {15, "663366", 0x20000000},
               {16, "", 0x20000000}, {-2, "", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(LabelColor(c.label), c.color);
    EXPECT_EQ(LabelFlag(c.label), c.bit);
  }
}

// ---------------------------------------------------------------- table_of_contents

struct Record {
  uint32_t size, offset, length, dateKey;
  std::string unread, sender, subject;
  uint32_t sent, marker, flags;
};

// Reads an index the way Apple Mail's readers walk it: records by their length field, the
// texts up to their zero bytes, the last three words from the record's end.
bool ReadIndex(const std::string& toc, uint32_t& count, uint32_t& stamp, std::vector<Record>& records) {
  platform::ByteCursor c(toc);
  if (c.U32BE() != kTOCMagic) return false;
  count = c.U32BE();
  stamp = c.U32BE();
  if (toc.size() < kTOCPreambleSize || toc.compare(toc.size() - 4, 4, BE32(kTOCEndMarker)) != 0) return false;
  for (size_t pos = kTOCHeaderSize; pos < toc.size() - 4;) {
    c.Seek(pos);
    Record r{};
    r.size = c.U32BE();
    if (!c.Ok() || r.size < 47 || r.size > toc.size() - 4 - pos) return false;
    std::string_view rec(toc.data() + pos, r.size);
    platform::ByteCursor f(rec);
    f.Skip(4);
    r.offset = f.U32BE();
    r.length = f.U32BE();
    r.dateKey = f.U32BE();
    r.unread = std::string(f.Bytes(4));
    std::string_view texts = rec.substr(20);
    size_t s = texts.find('\0');
    size_t t = texts.find('\0', s + 1);
    r.sender = std::string(texts.substr(0, s));
    r.subject = std::string(texts.substr(s + 1, t - s - 1));
    f.Seek(r.size - 12);
    r.sent = f.U32BE();
    r.marker = f.U32BE();
    r.flags = f.U32BE();
    records.push_back(r);
    pos += r.size;
  }
  return c.Ok();
}

constexpr int32_t kJan1st2002 = 2002 * 512 + 1 * 32 + 1;
constexpr int32_t kSent = 1010682496;

TEST(AppleMailTableOfContents, RecordHasTheExactLayout) {
  // A sender of 12 bytes and a subject of 5: 64 bytes.
  std::string expected = BE32(64) + BE32(0) + BE32(100) + BE32(kJan1st2002) + "*   " + "Anna <a@b.c>" +
                         std::string(1, '\0') + "Hello" + std::string(2 + 12, '\0') + BE32(kSent) +
                         BE32(0x00FFFFFF) + BE32(0xFC80);
  EXPECT_EQ(TOCMessageRecord(0, 100, kJan1st2002, 1, "Anna <a@b.c>", "Hello", kSent, 0), expected);
}

TEST(AppleMailTableOfContents, IndexAsTheDriverWritesIt) {
  platform::MemoryOutput toc;
  ASSERT_TRUE(WriteTOCPreamble(toc));
  EXPECT_EQ(toc.Data(), BE32(kTOCMagic) + std::string(28, '\0') + BE32(kTOCEndMarker));

  // Before every record the count so far; once more at the end.
  ASSERT_TRUE(WriteTOCHeader(toc, 0, 1000));
  ASSERT_TRUE(WriteTOCMessage(toc, 0, 100, kJan1st2002, 1, "Anna <a@b.c>", "Hello", kSent, 0));
  ASSERT_TRUE(WriteTOCHeader(toc, 1, 1001));
  // A zero byte inside a text would end it early for every reader: it is dropped.
  ASSERT_TRUE(WriteTOCMessage(toc, 100, 250, kJan1st2002, 9, "Bob", std::string("Re:\0 two", 8), kSent + 1, 1));
  ASSERT_TRUE(WriteTOCHeader(toc, 2, 1002));

  uint32_t count = 0, stamp = 0;
  std::vector<Record> records;
  ASSERT_TRUE(ReadIndex(toc.Data(), count, stamp, records));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(stamp, 1002u);
  EXPECT_EQ(toc.Data().substr(12, 20), std::string(20, '\0'));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].size, 64u);
  EXPECT_EQ(records[0].offset, 0u);
  EXPECT_EQ(records[0].length, 100u);
  EXPECT_EQ(records[1].size, 47u + 3 + 7);
  EXPECT_EQ(records[1].offset, 100u);
  EXPECT_EQ(records[1].length, 250u);
  EXPECT_EQ(records[1].dateKey, static_cast<uint32_t>(kJan1st2002));
  EXPECT_EQ(records[1].unread, "    ");
  EXPECT_EQ(records[1].sender, "Bob");
  EXPECT_EQ(records[1].subject, "Re: two");
  EXPECT_EQ(records[1].sent, static_cast<uint32_t>(kSent + 1));
  EXPECT_EQ(records[1].marker, 0x00FFFFFFu);
  EXPECT_EQ(records[1].flags, 0x481u);
  EXPECT_EQ(toc.Data().size(), 32u + 64 + 57 + 4);
}

TEST(AppleMailTableOfContents, RefusesWhatTheLayoutCannotHold) {
  platform::MemoryOutput toc;
  // No preamble yet.
  EXPECT_FALSE(WriteTOCHeader(toc, 1, 0));
  EXPECT_FALSE(WriteTOCMessage(toc, 0, 10, 0, 1, "a", "b", 0, 0));
  EXPECT_EQ(toc.Data(), "");
  // 32-bit offsets and lengths.
  ASSERT_TRUE(WriteTOCPreamble(toc));
  EXPECT_FALSE(WriteTOCMessage(toc, uint64_t{1} << 32, 10, 0, 1, "a", "b", 0, 0));
  EXPECT_FALSE(WriteTOCMessage(toc, 0, uint64_t{1} << 32, 0, 1, "a", "b", 0, 0));
  EXPECT_EQ(toc.Data(), TOCPreamble());
}

// ---------------------------------------------------------------- property list

TEST(AppleMailPropertyList, ExactText) {
  EmlxInfo info;
  info.state = 3;
  info.priority = 200;
  info.label = 9;
  info.sender = "Ren\xE9 & Co <rene@example.com>";  // ISO Latin 1
  info.recipients = "\"Bob\" <bob@example.com>";
  info.subject = "Bell\x07 'quoted'";
  info.originalMailbox = "Import/R&D/Caf\x8E";  // not UTF-8: a Mac Roman file name
  info.dateSent = -86400;
  info.attachmentCount = 1;
  EXPECT_EQ(XMLInfoText(info),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n"
            "<dict>\n"
            "\t<key>date-sent</key>\n\t<real>-86400</real>\n"
            "\t<key>color</key>\n\t<string>ffcc33</string>\n"
            "\t<key>flags</key>\n\t<integer>570754181</integer>\n"  // 0x02050485 + 0x20000000
            "\t<key>original-mailbox</key>\n\t<string>local:///Import/R&amp;D/Caf\xC3\xA9</string>\n"
            "\t<key>sender</key>\n\t<string>Ren\xC3\xA9 &amp; Co &lt;rene@example.com&gt;</string>\n"
            // A control character XML cannot carry becomes a blank.
            "\t<key>subject</key>\n\t<string>Bell  &apos;quoted&apos;</string>\n"
            "\t<key>to</key>\n\t<string>&quot;Bob&quot; &lt;bob@example.com&gt;</string>\n"
            "</dict>\n"
            "</plist>\n");
}

TEST(AppleMailPropertyList, JapaneseTextIsDecodedFromISO2022JP) {
  const std::string konnichiwa = "\x1B$B$3$s$K$A$O\x1B(B";
  const std::string utf8 = "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF";
  for (bool declared : {false, true}) {
    SCOPED_TRACE(declared);
    EmlxInfo info;
    info.japaneseSource = declared;
    info.subject = konnichiwa;
    info.sender = "taro@example.jp";
    std::string text = XMLInfoText(info);
    EXPECT_NE(text.find("<string>" + utf8 + "</string>"), std::string::npos) << text;
    EXPECT_NE(text.find("<string>taro@example.jp</string>"), std::string::npos);
    EXPECT_EQ(text.find("color"), std::string::npos);  // label 0: no colour key
  }
}

// ---------------------------------------------------------------- .emlx files

TEST(AppleMailEmlx, ByteCountMessageAndPropertyList) {
  ScratchFolder scratch;
  // A small memory limit puts the message in the scratch file, as a large message would be.
  platform::SpillOutput message(scratch.Path(), 16);
  std::string bytes;
  for (int i = 0; i < 20; ++i) bytes += "Line " + std::to_string(i) + "\n";
  ASSERT_TRUE(message.Write(bytes.substr(0, 10)));
  ASSERT_TRUE(message.Write(bytes.substr(10)));
  EmlxInfo info;
  info.subject = "Hello";
  const std::string path = scratch / "1.emlx";
  testing_support::WriteFile(path, std::string(5000, 'x'));  // replaced, not appended to

  int error = -1;
  ASSERT_TRUE(WriteEmlxFile(path, message, info, error));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(testing_support::ReadFile(path), std::to_string(bytes.size()) + "\n" + bytes + XMLInfoText(info));
}

TEST(AppleMailEmlx, FailuresAreReportedAndLeaveNoFile) {
  ScratchFolder scratch;
  EmlxInfo info;
  {
    platform::SpillOutput message(scratch.Path());
    ASSERT_TRUE(message.Write("Subject: x\n\nbody\n"));
    int error = 0;
    EXPECT_FALSE(WriteEmlxFile(scratch / "missing/1.emlx", message, info, error));
    EXPECT_EQ(error, ENOENT);
  }
  {
    // The message could not be assembled (its scratch folder is missing): nothing is written.
    platform::SpillOutput message(scratch / "no-such-folder", 0);
    EXPECT_FALSE(message.Write("Subject: x\n"));
    int error = 0;
    EXPECT_FALSE(WriteEmlxFile(scratch / "2.emlx", message, info, error));
    EXPECT_NE(error, 0);
    EXPECT_FALSE(testing_support::PathExists(scratch / "2.emlx"));
  }
}

// ---------------------------------------------------------------- packages

TEST(AppleMailPackage, FoldersAndNames) {
  ScratchFolder scratch;
  const std::string mail = scratch / "src/Eudora Folder/Mail Folder";
  const platform::FileSpec import = platform::FileSpecFromPath(scratch / "Import");
  ASSERT_EQ(platform::CreateFolders(import.FullPath()), 0);
  testing_support::WriteFile(scratch / "Import/Blocked", "a file where a folder should go");

  struct Case {
    std::string mailbox;
    int32_t depth;
    bool messageFiles;
    std::string relative;
    std::string output;  // below the import folder; "" when creation fails
    int error;
  } cases[] = {
      {mail + "/In", 0, true, "", "In.mbox/Messages", 0},
      {mail + "/Clients.fol/2004.fol/Work.mbx", 2, false, "Clients/2004/", "Clients/2004/Work.mbox", 0},
      // A second package for the same mailbox: the whole name, numbered.
      {mail + "/Clients.fol/2004.fol/Work.mbx", 2, true, "Clients/2004/", "Clients/2004/Work.mbx-1.mbox/Messages", 0},
      // Dropped files (depth -1) get no enclosing folder; the same name is numbered on.
      {scratch / "src/a/In", -1, true, "", "In-1.mbox/Messages", 0},
      {scratch / "src/b/In", -1, false, "", "In-2.mbox", 0},
      // Depth 0 outside a mail folder: the folder that holds the mailbox is kept.
      {scratch / "src/Eudora Folder/Old/Notes", 0, false, "Old/", "Old/Notes.mbox", 0},
      {mail + "/Inbox.sbd/Sub", 1, false, "Inbox/", "Inbox/Sub.mbox", 0},
      // Without its suffix the name would be "..": the suffix stays.
      {mail + "/...fol/x", 1, false, "...fol/", "...fol/x.mbox", 0},
      {mail + "/Blocked/In", 1, false, "", "", ENOTDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mailbox + " depth " + std::to_string(c.depth));
    platform::FileSpec output{"unchanged", ""};
    int error = -1;
    std::string relative =
        CreateNewMboxPackage(PlaceMailbox(platform::FileSpecFromPath(c.mailbox), c.depth), import, c.messageFiles, output, error);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(relative, c.relative);
    if (c.error != 0) {
      EXPECT_EQ(output.folder, "unchanged");
      continue;
    }
    EXPECT_EQ(output.FullPath(), import.FullPath() + "/" + c.output);
    EXPECT_EQ(platform::KindOf(output), platform::ItemKind::kFolder);
  }

  int error = 0;
  platform::FileSpec output;
  CreateNewMboxPackage(PlaceMailbox(platform::FileSpecFromPath(mail + "/In"), 0),
                       platform::FileSpecFromPath(scratch / "gone"), false, output, error);
  EXPECT_EQ(error, ENOENT);
}

TEST(AppleMailPackage, DepthBeyondThePathStopsAtTheRoot) {
  ScratchFolder scratch;
  const platform::FileSpec import = platform::FileSpecFromPath(scratch / "Import");
  ASSERT_EQ(platform::CreateFolder(import), 0);
  platform::FileSpec output;
  int error = -1;
  std::string relative =
      CreateNewMboxPackage(PlaceMailbox(platform::FileSpecFromPath(scratch / "src/Old/Notes"), INT32_MAX), import, false,
                           output, error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(relative.substr(relative.size() - 8), "src/Old/");
  EXPECT_EQ(output.FullPath(), import.FullPath() + "/" + relative + "Notes.mbox");
}

}  // namespace
}  // namespace mailboxes
