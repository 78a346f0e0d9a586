#include "mailboxes/attachments.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "text/base64.h"

namespace mailboxes {
namespace {

TEST(AttachmentFileName, TakesTheNameFromEveryForm) {
  struct Case {
    std::string line, name;
    AttachmentLanguage language;
  } cases[] = {
      {"Attachment converted: Disk:Eudora Folder:Attachments Folder:report.pdf (PDF /CARO) (0012AB34)", "report.pdf",
       AttachmentLanguage::kEnglish},
      {"Attachment converted: Macintosh HD:Untitled (    /    ) (0022466A)", "Untitled", AttachmentLanguage::kEnglish},
      {"Attachment converted: Macintosh HD:tools.example.edu/gash2/ (TEXT/MSIE) (0022466D)", "tools.example.edu/gash2/",
       AttachmentLanguage::kEnglish},
      {"Attachment converted: Disk:a (b) (TEXT/ttxt) (00000001)", "a (b)", AttachmentLanguage::kEnglish},
      {"Annexe convertie: Disque:Pi\xC3\xA8" "ces:lettre.doc (WDBN/MSWD) (00000002)", "lettre.doc",
       AttachmentLanguage::kFrench},
      {"ANLAGE KONVERTIERT: Platte:Anlagen:Brief.doc (WDBN/MSWD) (00000003)", "Brief.doc", AttachmentLanguage::kGerman},
      {"Attachment Converted: \"C:\\Program Files\\Eudora\\Attach\\notes.txt\"", "notes.txt",
       AttachmentLanguage::kEnglish},
      {"Attachment Converted: C:\\Eudora\\Attach\\plan 2004.xls", "plan 2004.xls", AttachmentLanguage::kEnglish},
      {"Attachment Converted: C:\\Eudora\\Attach\\copy (2)", "copy (2)", AttachmentLanguage::kEnglish},
      // Without any folder the name follows the prefix.
      {"Attachment Converted: \"notes.txt\"", "notes.txt", AttachmentLanguage::kEnglish},
      // Malformed lines.
      {"Attachment converted: ", "", AttachmentLanguage::kEnglish},
      {"Attachment converted: Disk:Folder: (TEXT/ttxt) (1)", "", AttachmentLanguage::kEnglish},
      {"Attachment Converted: \"C:\\Attach\\\"", "", AttachmentLanguage::kEnglish},
      {"Attachment converted: (1)", "(1)", AttachmentLanguage::kEnglish},  // no type group: not the Mac form
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AttachmentFileName(c.line), c.name) << c.line;
    EXPECT_EQ(AttachmentLineLanguage(c.line), c.language) << c.line;
  }
}

TEST(AttachmentFileName, MacSlashIsStoredAsColon) {
  EXPECT_EQ(StoredFileName("tools.example.edu/gash2/"), "tools.example.edu:gash2:");
  EXPECT_EQ(DisplayFileName("tools.example.edu:gash2:"), "tools.example.edu/gash2/");
  EXPECT_EQ(StoredFileName(std::string(300, 'a')).size(), 255u);
}

TEST(TruncatedName, RecognisesEudorasShortenedNames) {
  struct Case {
    std::string name;
    bool truncated;
    std::string stem, extension;
  } cases[] = {
      {"A very long file name t#1A2B3C.doc", true, "A very long file name t", ".doc"},
      {"A very long file name t#1a2b3c", true, "A very long file name t", ""},
      {"Version 1.2 of the plan#2F", true, "Version 1.2 of the plan", ""},  // the '.' comes before the '#'
      {"ten chars!#12.pdf", true, "ten chars!", ".pdf"},
      {"Short nam#3C4D5E.txt", false, "", ""},                 // a stem of 9 characters
      {"\xC3\xA9t\xC3\xA9 photo#1.jpg", false, "", ""},         // 11 bytes, 9 characters
      {"A very long file name t#1G2B.doc", false, "", ""},     // not a hexadecimal number
      {"A very long file name t#.doc", false, "", ""},         // no number at all
      {"A very long file name without number.doc", false, "", ""},
  };
  for (const Case& c : cases) {
    TruncatedName t;
    EXPECT_EQ(ParseTruncatedName(c.name, t), c.truncated) << c.name;
    if (!c.truncated) continue;
    EXPECT_EQ(t.stem, c.stem);
    EXPECT_EQ(t.extension, c.extension);
  }
}

TEST(TruncatedName, IndexFindsFilesByStemAndExtension) {
  const TruncatedNameIndex index({"Quarterly report for the team.pdf", "A very long file name that was truncated.doc",
                                  "Quarterly report for the board.pdf", "A very long file name folder.doc",
                                  "A very long file name that was truncated.doc.bak", "Other.doc",
                                  "Quarterly report for the board.PDF"});
  auto usable = [](const std::string& name) { return name != "A very long file name folder.doc"; };
  auto find = [&](const std::string& name) {
    TruncatedName t;
    EXPECT_TRUE(ParseTruncatedName(name, t)) << name;
    return index.Find(t, usable);
  };
  using Names = std::vector<std::string>;
  // One file (the folder of the same stem does not count).
  EXPECT_EQ(find("A very long file name t#1A2B3C.doc"), Names{"A very long file name that was truncated.doc"});
  // Two: the search stops there. The extension compares with its case.
  EXPECT_EQ(find("Quarterly report for t#2B3C4D.pdf"),
            (Names{"Quarterly report for the board.pdf", "Quarterly report for the team.pdf"}));
  EXPECT_EQ(find("Quarterly report for the b#2B.PDF"), Names{"Quarterly report for the board.PDF"});
  EXPECT_EQ(find("Nothing like this at all#1.doc"), Names{});
  EXPECT_EQ(find("A very long file name t#1A2B3C.zip"), Names{});
  // Without an extension every name of that stem matches.
  EXPECT_EQ(find("A very long file name that#1").size(), 2u);
}

TEST(AttachmentMimeType, TypeThenCreatorThenExtension) {
  struct Case {
    uint32_t type, creator;
    std::string name, mime;
  } cases[] = {
      {0x54455854, 0, "readme", "text/plain"},
      {0x504E4766, 0x4D535744, "x.doc", "image/png"},        // the type wins over the creator
      {0x5744424E, 0x4D535744, "x.gif", "application/msword"},  // the creator wins over the extension
      {0x50505433, 0, "talk", "application/octet-stream"},    // PPT3 is a creator, not a type
      {0, 0x50505433, "talk", "application/vnd.ms-powerpoint"},
      {0, 0, "c.jpeg", "image/jpeg"},
      {0, 0, "d.tiff", "image/tiff"},
      {0, 0, "smime.p7s", "application/pkcs7-signature"},
      {0, 0, "A.GIF", "application/octet-stream"},  // case counts
      {0, 0, "notes.txt", "application/octet-stream"},
      {0, 0, std::string(255, 'a') + ".pdf", "application/octet-stream"},  // past the first 255 bytes
  };
  for (const Case& c : cases) EXPECT_EQ(AttachmentMimeType(c.type, c.creator, c.name), c.mime) << c.name;
}

TEST(AppleFileHeader, LaysOutTheThreeEntries) {
  const platform::FinderInfo finder{0x57444241, 0x4D535744, 0x0100};
  const std::string expected =
      std::string("\x00\x05\x16\x07\x00\x02\x00\x00", 8) + std::string(16, '\0') + std::string("\x00\x03", 2) +
      std::string("\x00\x00\x00\x09\x00\x00\x00\x3E\x00\x00\x00\x0A", 12) +
      std::string("\x00\x00\x00\x03\x00\x00\x00\x48\x00\x00\x00\x05", 12) +
      std::string("\x00\x00\x00\x02\x00\x00\x00\x4D\x00\x01\x02\x03", 12) + "WDBAMSWD" + std::string("\x01\x00", 2) +
      "Lette";
  EXPECT_EQ(AppleFileHeader(true, finder, "Lette", 0x010203), expected);
  const std::string single = AppleFileHeader(false, finder, "", 7);
  EXPECT_EQ(single.substr(0, 4), std::string("\x00\x05\x16\x00", 4));
  EXPECT_EQ(single.size(), 72u);
}

std::string Encode(const std::vector<std::string>& pieces) {
  platform::MemoryOutput out;
  Base64Writer writer(out);
  for (const std::string& piece : pieces) writer.Write(piece);
  writer.Finish();
  return out.Data();
}

TEST(Base64Writer, LineLayoutAndPieces) {
  const std::string a57(57, 'a');
  EXPECT_EQ(Encode({a57}), Base64::encode(a57) + "\n");
  EXPECT_EQ(Encode({a57 + "a"}), Base64::encode(a57) + "\nYQ==");
  EXPECT_EQ(Encode({a57 + "aa"}), Base64::encode(a57) + "\nYWE=");
  EXPECT_EQ(Encode({}), "");
  // The same text whatever the pieces the data comes in.
  std::string data;
  for (int i = 0; i < 1000; ++i) data += static_cast<char>(i * 7);
  const std::string whole = Encode({data});
  std::string flat;
  for (char c : whole)
    if (c != '\n') flat += c;
  EXPECT_EQ(flat, Base64::encode(data));
  EXPECT_EQ(whole.find('\n'), 76u);
  for (size_t cut : {1u, 2u, 56u, 57u, 58u, 500u})
    EXPECT_EQ(Encode({data.substr(0, cut), data.substr(cut, 1), data.substr(cut + 1)}), whole) << cut;
}

// Files held in memory, as an Attachments Folder would hold them.
class MemoryFolder final : public AttachmentFolder {
 public:
  struct File {
    std::string data;
    platform::FinderInfo finder;
    std::string fork;
  };
  bool Open(const std::string& storedName, AttachmentFile& file) override {
    auto it = files.find(storedName);
    if (it == files.end()) return false;
    file = AttachmentFile{};
    file.data = std::make_unique<platform::MemoryStream>(it->second.data);
    file.finder = it->second.finder;
    file.resourceFork = it->second.fork;
    file.macName = storedName;
    return true;
  }
  std::vector<std::string> FindTruncated(const TruncatedName& name) override {
    std::vector<std::string> names;
    for (const auto& [n, f] : files) names.push_back(n);
    return TruncatedNameIndex(names).Find(name, [](const std::string&) { return true; });
  }
  std::map<std::string, File> files;
};

struct Report final : ReattachReport {
  void Progress(const std::string& detail) override { progress.push_back(detail); }
  void Done(const std::string& line, bool recovered) override {
    log += line;
    counted += recovered ? 1 : 0;
  }
  std::vector<std::string> progress;
  std::string log;
  int counted = 0;
};

std::string Reencode(MemoryFolder& folder, const std::string& name, const std::string& boundary,
                     const std::string& cid = "") {
  AttachmentFile file;
  EXPECT_TRUE(folder.Open(name, file));
  platform::MemoryOutput out;
  ReencodeAttachment(out, file, boundary, name, cid);
  return out.Data();
}

TEST(ReencodeAttachment, PlainAppleDoubleAndAppleSingleParts) {
  MemoryFolder folder;
  folder.files["report.pdf"] = {"%PDF", {0x50444620, 0x4341524F, 0}, ""};
  folder.files["Letter"] = {"Dear", {0x57444241, 0x4D535744, 0}, "FORK"};
  folder.files["Prefs"] = {"", {0x70726566, 0, 0}, "FORK"};

  EXPECT_EQ(Reencode(folder, "report.pdf", "B"),
            "--B\nContent-Transfer-Encoding: base64\nContent-Type: application/pdf;\n\tx-mac-type=50444620;\n"
            "\tx-mac-creator=4341524F;\n\tname=\"report.pdf\"\nContent-Disposition: attachment;\n"
            "\tfilename=\"report.pdf\"\n\nJVBERg==\n\n");
  EXPECT_EQ(Reencode(folder, "report.pdf", "B", "pic@x"),
            "--B\nContent-Transfer-Encoding: base64\nContent-Type: application/pdf;\n\tx-mac-type=50444620;\n"
            "\tx-mac-creator=4341524F;\n\tname=\"report.pdf\"\nContent-ID: <pic@x>\nContent-Disposition: inline;\n"
            "\tfilename=\"report.pdf\"\n\nJVBERg==\n\n");
  // The whole body is the file: only its Base64.
  EXPECT_EQ(Reencode(folder, "report.pdf", ""), "JVBERg==\n\n");

  const std::string header = Base64::encode(AppleFileHeader(true, {0x57444241, 0x4D535744, 0}, "Letter", 4) + "FORK");
  std::string pair = Reencode(folder, "Letter", "B");
  EXPECT_TRUE(pair.starts_with("\n--B\nContent-Type: multipart/appledouble;\n\tboundary=\"B_Frlnatt\"\n"
                               "Content-Disposition: attachment\n\n\n--B_Frlnatt\nContent-Transfer-Encoding: base64\n"
                               "Content-Type: application/applefile;\n\tname=\"Letter\"\nContent-Disposition: attachment;\n"
                               "\tfilename=\"Letter\"\n\n"))
      << pair;
  EXPECT_NE(pair.find("\"\n\n" + header.substr(0, 76) + "\n"), std::string::npos);
  EXPECT_NE(pair.find("--B_Frlnatt\nContent-Transfer-Encoding: base64\nContent-Type: application/msword;\n"),
            std::string::npos);
  EXPECT_TRUE(pair.ends_with("\n\nRGVhcg==\n\n--B_Frlnatt--\n\n")) << pair;

  const std::string single = Reencode(folder, "Prefs", "B");
  EXPECT_TRUE(single.starts_with("--B\nContent-Transfer-Encoding: base64\nContent-Type: application/applefile;\n"))
      << single;
  std::string encoded = single.substr(single.find("\n\n") + 2);
  std::erase(encoded, '\n');
  EXPECT_EQ(Base64::decode(encoded), AppleFileHeader(false, {0x70726566, 0, 0}, "Prefs", 4) + "FORK");
}

TEST(ReencodeAttachment, NamesCannotBreakTheHeader) {
  MemoryFolder folder;
  folder.files["a \"b\"\n--B--.txt"] = {"x", {}, ""};
  folder.files["K\xC3\xA4se.gif"] = {"x", {}, ""};
  const std::string part = Reencode(folder, "a \"b\"\n--B--.txt", "B");
  EXPECT_NE(part.find("\tname=\"a \\\"b\\\" --B--.txt\"\n"), std::string::npos) << part;
  EXPECT_EQ(part.find("\n--B--"), std::string::npos);
  // Eight-bit names become encoded words; the extension is tested on that form.
  const std::string kase = Reencode(folder, "K\xC3\xA4se.gif", "B");
  EXPECT_NE(kase.find("Content-Type: image/gif;\n\tname=\"K=?UTF-8?Q?=C3=A4?=se.gif\""), std::string::npos) << kase;
}

TEST(ConvertAttachment, FoundMissingAndShortened) {
  MemoryFolder folder;
  folder.files["report.pdf"] = {"%PDF", {}, ""};
  folder.files["A very long file name that was truncated.doc"] = {"doc", {}, ""};
  folder.files["Quarterly report for the board.pdf"] = {"b", {}, ""};
  folder.files["Quarterly report for the team.pdf"] = {"t", {}, ""};
  const std::string mac = "Attachment converted: Disk:Attach:";
  struct Case {
    std::string line;
    bool application;
    int32_t flavour;
    std::string output, log;
    int counted;
  } cases[] = {
      {mac + "report.pdf (PDF /CARO) (0012AB34)", false, 1,
       "--B\nContent-Transfer-Encoding: base64\nContent-Type: application/pdf;\n\tname=\"report.pdf\"\n"
       "Content-Disposition: attachment;\n\tfilename=\"report.pdf\"\n\nJVBERg==\n\n",
       "  Recovering attachment \"report.pdf\"\n", 1},
      {mac + "gone.pdf (PDF /CARO) (1)", false, 1,
       "--B\nContent-Type: text/plain; charset=\"UTF-8\"\nContent-Disposition: inline;\n\n\n"
       "\"gone.pdf\" (missing attachment)\n\n--B\nContent-Type: text/plain; charset=\"ISO-8859-1\"\n\n",
       "  Missing attachment \"gone.pdf\"\n", 0},
      {"Annexe convertie: Disque:gone.doc (WDBN/MSWD) (1)", false, 2,
       "--B\nContent-Type: text/plain; charset=\"UTF-8\"\nContent-Disposition: inline;\n\n\n"
       "\"gone.doc\" (annexe absent)\n\n--B\nContent-Type: text/plain; charset=\"ISO-2022-JP\"\n\n",
       "  Missing attachment \"gone.doc\"\n", 0},
      {"Anlage konvertiert: Platte:smime.p7s (TEXT/ttxt) (1)", false, 1,
       "--B\nContent-Type: application/pkcs7-signature;\nContent-Disposition: attachment;\n\n\n"
       "\"smime.p7s\" (Anlage fehlt)\n\n--B\nContent-Type: text/plain; charset=\"ISO-8859-1\"\n\n",
       "  Missing attachment \"smime.p7s\"\n", 0},
      {mac + "gone.pdf (PDF /CARO) (1)", true, 1, "", "  Missing attachment \"gone.pdf\"\n", 0},
      {mac + "A very long file name t#1A2B3C.doc (WDBN/MSWD) (1)", false, 1, "",
       "  Recovering attachment \"A very long file name that was truncated.doc\" (nodeID changed - taking single "
       "match for truncated file name 'A very long file name t#1A2B3C.doc')\n",
       1},
      {mac + "Quarterly report for t#2B3C4D.pdf (PDF /CARO) (1)", false, 1, "",
       "  Missing attachment \"Quarterly report for t#2B3C4D.pdf\" (nodeID changed - multiple possible matches for "
       "truncated file name)\n",
       0},
  };
  for (const Case& c : cases) {
    platform::MemoryOutput out;
    Report report;
    EXPECT_TRUE(ConvertAttachment(out, c.line, "B", &folder, c.application, c.flavour, report)) << c.line;
    if (!c.output.empty() || c.application) {
      EXPECT_EQ(out.Data(), c.output) << c.line;
    }
    EXPECT_EQ(report.log, c.log);
    EXPECT_EQ(report.counted, c.counted);
    EXPECT_EQ(report.progress.size(), static_cast<size_t>(c.counted));
  }
  // No name: nothing written, the line stays text. No folder: every file is missing.
  platform::MemoryOutput out;
  Report report;
  EXPECT_FALSE(ConvertAttachment(out, "Attachment converted: ", "B", &folder, false, 1, report));
  EXPECT_EQ(out.Data(), "");
  EXPECT_EQ(report.log, "  Missing attachment \"\"\n");
  EXPECT_TRUE(ConvertAttachment(out, mac + "report.pdf (PDF /CARO) (1)", "", nullptr, false, 1, report));
  EXPECT_EQ(out.Data(), "\"report.pdf\" (missing attachment)\n\n");
}

TEST(DiskAttachmentFolder, NamesStayInsideTheFolder) {
  testing_support::ScratchFolder scratch;
  const std::string attach = scratch / "Attachments Folder";
  testing_support::WriteFile(attach + "/report.pdf", "%PDF");
  testing_support::WriteFile(attach + "/a:b", "slash");
  testing_support::WriteFile(attach + "/Sub/inner.txt", "inner");
  testing_support::WriteFile(scratch / "secret.txt", "secret");
  ASSERT_EQ(symlink((scratch / "secret.txt").c_str(), (attach + "/outside.txt").c_str()), 0);
  ASSERT_EQ(symlink("report.pdf", (attach + "/alias.pdf").c_str()), 0);
  ASSERT_EQ(symlink("..", (attach + "/up").c_str()), 0);
  DiskAttachmentFolder folder(platform::FileSpecFromPath(attach));

  AttachmentFile file;
  for (const std::string& name : {std::string("report.pdf"), std::string("alias.pdf"), StoredFileName("a/b")}) {
    EXPECT_TRUE(folder.Open(name, file)) << name;
    ASSERT_TRUE(file.data);
    EXPECT_GT(file.data->SourceSize(), 0u);
  }
  for (const std::string& name : {std::string("."), std::string(".."), std::string("Sub"), std::string("outside.txt"),
                                  std::string("up"), std::string("Sub/inner.txt"), std::string("report.pdf\0x", 12),
                                  std::string(""), std::string("missing")})
    EXPECT_FALSE(folder.Open(name, file)) << name;

  // The shortened-name search passes over folders and links that lead out of the folder.
  testing_support::WriteFile(attach + "/Outside of the folder.txt", "");
  ASSERT_EQ(symlink((scratch / "secret.txt").c_str(), (attach + "/Outside of the folder 2.txt").c_str()), 0);
  TruncatedName t;
  ASSERT_TRUE(ParseTruncatedName("Outside of the#12.txt", t));
  EXPECT_EQ(folder.FindTruncated(t), std::vector<std::string>{"Outside of the folder.txt"});
}

}  // namespace
}  // namespace mailboxes
