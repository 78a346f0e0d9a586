#include "support/test_support.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

ScratchFolder::ScratchFolder() {
  std::string templ = (fs::temp_directory_path() / "ferrolin-test-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  // Tests may take permissions away; give them back so that everything can be removed.
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ScratchFolder::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::string SourceDir() {
  const char* dir = std::getenv("FERROLIN_SOURCE_DIR");
  return dir ? dir : ".";
}

std::vector<std::vector<std::string>> SQLiteRows(const std::string& path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    rows.push_back({"error: " + std::string(db ? sqlite3_errmsg(db) : "cannot open")});
  } else {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::vector<std::string>& row = rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const unsigned char* text = sqlite3_column_text(statement, i);
        row.push_back(text ? std::string(reinterpret_cast<const char*>(text),
                                         static_cast<size_t>(sqlite3_column_bytes(statement, i)))
                           : "<null>");
      }
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

}  // namespace testing_support
