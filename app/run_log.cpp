// The run log, Library/Logs/Ferrolin.log: UTF-8 with a byte order mark, appended to by
// every run. Each text is written by opening, appending and closing the file, so that
// everything logged is on disk even if the program ends abruptly.
#include <cerrno>

#include "app/ferrolin.h"

void Ferrolin::WriteLog(const std::string& text) {
  platform::FileSpec logs = platform::Child(LibraryFolder(), "Logs");
  if (!platform::Exists(logs)) {
    platform::CreateFolder(logs);
  } else {
    platform::ResolveSymlinks(logs);
  }
  platform::FileSpec log = platform::Child(logs, "Ferrolin.log");
  platform::OutputFile out;
  if (!out.Open(log.FullPath(), platform::OutputFile::Mode::kAppend)) {
    NoteLogFailure(out.Error());
    return;
  }
  if (out.Position() == 0) out.Write("\xEF\xBB\xBF");
  out.Write(text);
  if (!out.Close()) NoteLogFailure(out.Error());
}
