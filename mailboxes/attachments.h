// Attachments put back into converted messages. Eudora saves every attachment it receives
// as a file of its "Attachments Folder" and leaves one line in the message naming the file:
//   Mac:      Attachment converted: Disk:Eudora Folder:Attachments Folder:report.pdf (PDF /CARO) (0012AB34)
//   Windows:  Attachment Converted: "C:\Eudora\Attach\notes.txt"
// (French "Annexe convertie: ", German "Anlage konvertiert: "). The file is found again and
// written into the message as a MIME part in Base64: a plain file as one part with its type,
// a Mac file with a resource fork as multipart/appledouble (an application/applefile part
// with the fork, then the data) or, without data, as one AppleSingle part, so that nothing
// of the file is lost. A file that cannot be found becomes a short text part saying so.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_stream.h"
#include "platform/files.h"
#include "platform/folder_index.h"
#include "platform/forks.h"
#include "platform/output_stream.h"

namespace mailboxes {

enum class AttachmentLanguage { kEnglish, kFrench, kGerman };

// The language of an attachment line, from its first words (any case).
AttachmentLanguage AttachmentLineLanguage(std::string_view line);

// The file name an attachment line names (the line in UTF-8, its prefix included): the last
// component of the Mac path before the "(TYPE/CREA) (number)" groups, or of the Windows
// path (quoted or not). Empty when the line names nothing.
std::string AttachmentFileName(std::string_view line);

// The name under which a Mac file name is stored on this file system: each '/' is a ':'
// (a name never walks into another folder), and at most 255 bytes are kept.
std::string StoredFileName(std::string_view name);
// The Mac name of a stored name: each ':' is a '/' again; UTF-8.
std::string DisplayFileName(std::string_view storedName);

// Eudora shortens a name that does not fit the Mac file system to its first characters,
// '#', a hexadecimal file number and the name's extension ("A very long file name t#1A2B3C.doc").
struct TruncatedName {
  std::string stem;       // the text before the last '#'
  std::string extension;  // from the last '.' when it follows the '#', else empty
};
// True when name has that form: a number of hexadecimal digits after the last '#' and a
// stem of more than 9 characters (shorter stems would match too much to be trusted).
bool ParseTruncatedName(std::string_view name, TruncatedName& out);

// The names of one folder, sorted once, for the truncated-name search of every attachment
// line of a run. Names are compared in their UTF-8 form.
class TruncatedNameIndex {
 public:
  explicit TruncatedNameIndex(const std::vector<std::string>& storedNames);
  // Stored names that start with the stem and end with the extension and for which usable
  // is true (files, not folders), in name order, at most limit of them.
  std::vector<std::string> Find(const TruncatedName& name, const std::function<bool(const std::string&)>& usable,
                                size_t limit = 2) const;

 private:
  using Entry = std::pair<std::string, std::string>;  // UTF-8 name, stored name
  std::vector<Entry> all_;
  // The same entries grouped by their extension (from the last '.'): a name ends with an
  // extension that holds no other '.' exactly when its own extension is that one.
  std::vector<std::pair<std::string, std::vector<Entry>>> byExtension_;
};

// MIME type of a data part from the file's type and creator codes, else from the extension
// of the (encoded) name; "application/octet-stream" when nothing says more.
std::string_view AttachmentMimeType(uint32_t type, uint32_t creator, std::string_view encodedName);

// The AppleSingle (no data fork) or AppleDouble header of a file: three entries, Finder
// information, the file's Mac name and its resource fork, which follows the header.
std::string AppleFileHeader(bool hasDataFork, const platform::FinderInfo& finder, std::string_view macName,
                            uint32_t resourceForkLength);

// Base64 written in pieces: a line feed after every 76 characters of complete 3-byte
// groups (also at the very end), the padded remainder without one. Memory stays small
// whatever the size of the data.
class Base64Writer {
 public:
  explicit Base64Writer(platform::OutputStream& out) : out_(out) {}
  void Write(std::string_view bytes);
  // Writes the remainder of fewer than 3 bytes, padded.
  void Finish();

 private:
  void Flush();
  platform::OutputStream& out_;
  unsigned char carry_[2] = {0, 0};
  size_t carried_ = 0;
  int groupsInLine_ = 0;
  std::string buffer_;
};

// A file to be attached.
struct AttachmentFile {
  std::unique_ptr<platform::ByteStream> data;  // its data; null or empty: no data fork
  platform::FinderInfo finder;
  std::string resourceFork;                    // empty: no resource fork
  std::string macName;                         // the Mac name (Mac Roman, at most 63 bytes)
};

// Writes one file as a part of the message: boundary is the message's boundary (empty when
// the whole body is the file), name the file's name in UTF-8, contentId the Content-ID of
// an embedded file (empty for an attachment).
void ReencodeAttachment(platform::OutputStream& out, AttachmentFile& file, const std::string& boundary,
                        const std::string& name, const std::string& contentId);

// Where attachment files are looked up.
class AttachmentFolder {
 public:
  virtual ~AttachmentFolder() = default;
  // Opens the file stored under that name directly inside the folder; false when there is
  // no such file.
  virtual bool Open(const std::string& storedName, AttachmentFile& file) = 0;
  // Stored names of files that match a shortened name, at most two.
  virtual std::vector<std::string> FindTruncated(const TruncatedName& name) = 0;
};

// An Attachments or Parts Folder on disk. The truncated-name search lists the folder once,
// on first use, and keeps the list for the rest of the run.
class DiskAttachmentFolder final : public AttachmentFolder {
 public:
  explicit DiskAttachmentFolder(platform::FileSpec folder);
  const platform::FileSpec& Folder() const { return index_.Folder(); }
  bool Open(const std::string& storedName, AttachmentFile& file) override;
  std::vector<std::string> FindTruncated(const TruncatedName& name) override;

 private:
  bool IsUsableFile(const std::string& storedName, platform::FileSpec& file);
  platform::FolderIndex index_;
  std::unique_ptr<TruncatedNameIndex> names_;
};

// What converting attachments tells the application.
class ReattachReport {
 public:
  virtual ~ReattachReport() = default;
  // Shows what is being attached ("Attachment: name") and gives the event loop a turn.
  virtual void Progress(const std::string& detail) = 0;
  // One attachment line or embedded file dealt with: its log line, and whether a file was
  // put back (counted as an attachment of the run).
  virtual void Done(const std::string& logLine, bool recovered) = 0;
};

// Converts one attachment line (in UTF-8): writes the file as a part using boundary, or the
// text standing in for a missing file (nothing when isApplication is set: the whole body
// was the file). folder is null when the Attachments Folder was not located. flavour 2
// (Japanese) reopens the text part as ISO-2022-JP. Returns false, having written nothing,
// when the line names no file.
bool ConvertAttachment(platform::OutputStream& out, std::string_view line, const std::string& boundary,
                       AttachmentFolder* folder, bool isApplication, int32_t flavour, ReattachReport& report);

}  // namespace mailboxes
