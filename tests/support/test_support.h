// Helpers shared by the unit tests: a scratch folder removed at the end of the test, and
// small file utilities.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder; removed with everything in it when
// the object goes away.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  // path_ + "/" + relative
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// Writes bytes to path, creating the enclosing folders.
void WriteFile(const std::string& path, std::string_view bytes);
// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
// The rows of a query on the SQLite file at path, each column as text (NULL as "<null>");
// a file that cannot be opened or a failed query gives one row holding the error.
std::vector<std::vector<std::string>> SQLiteRows(const std::string& path, const std::string& sql);

// The source tree's root (for fixtures in tests/), from FERROLIN_SOURCE_DIR.
std::string SourceDir();

}  // namespace testing_support
