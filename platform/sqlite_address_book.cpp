#include "platform/sqlite_address_book.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Thunderbird's own statements, so that the stored schema reads as in a book it made.
constexpr const char* kSchema =
    "CREATE TABLE properties (card TEXT, name TEXT, value TEXT);"
    "CREATE TABLE lists (uid TEXT PRIMARY KEY, name TEXT, nickName TEXT, description TEXT);"
    "CREATE TABLE list_cards (list TEXT, card TEXT, PRIMARY KEY(list, card));"
    "CREATE INDEX properties_card ON properties(card);"
    "CREATE INDEX properties_name ON properties(name);"
    "PRAGMA user_version = 4;";

// Past this many taken names something is wrong with the folder; the book is not placed.
constexpr int kMostNames = 100000;

bool NameIsFree(const FileSpec& folder, const std::string& name) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"})
    if (Exists(Child(folder, name + suffix))) return false;
  return true;
}

}  // namespace

std::unique_ptr<SQLiteAddressBookWriter> SQLiteAddressBookWriter::Create(const FileSpec& folder, std::string& error) {
  std::string pattern = Child(folder, "abook-XXXXXX.ferrolin-tmp").FullPath();
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  int fd = mkstemps(path.data(), static_cast<int>(std::string_view(".ferrolin-tmp").size()));
  if (fd < 0) {
    error = pattern + ": " + ErrorText(errno);
    return nullptr;
  }
  // The permissions Thunderbird gives the books it creates.
  fchmod(fd, 0644);
  close(fd);
  const std::string tempPath(path.data());
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(tempPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    error = tempPath + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
    sqlite3_close(db);
    unlink(tempPath.c_str());
    return nullptr;
  }
  std::unique_ptr<SQLiteAddressBookWriter> book(new SQLiteAddressBookWriter(db, folder, tempPath));
  if (!book->Exec("BEGIN") || !book->Exec(kSchema)) {
    error = book->error_;
    return nullptr;
  }
  auto prepare = [&](const char* sql, sqlite3_stmt*& statement) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) book->Fail("prepare");
  };
  prepare("INSERT INTO properties (card, name, value) VALUES (?, ?, ?)", book->insertProperty_);
  prepare("INSERT INTO lists (uid, name, nickName, description) VALUES (?, ?, ?, ?)", book->insertList_);
  prepare("INSERT OR IGNORE INTO list_cards (list, card) VALUES (?, ?)", book->insertListCard_);
  if (!book->error_.empty()) {
    error = book->error_;
    return nullptr;
  }
  return book;
}

SQLiteAddressBookWriter::SQLiteAddressBookWriter(sqlite3* db, FileSpec folder, std::string tempPath)
    : db_(db), folder_(std::move(folder)), tempPath_(std::move(tempPath)) {}

SQLiteAddressBookWriter::~SQLiteAddressBookWriter() { Discard(); }

void SQLiteAddressBookWriter::Discard() {
  for (sqlite3_stmt* statement : {insertProperty_, insertList_, insertListCard_}) sqlite3_finalize(statement);
  insertProperty_ = insertList_ = insertListCard_ = nullptr;
  if (db_) {
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
    db_ = nullptr;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    unlink((tempPath_ + "-journal").c_str());
    tempPath_.clear();
  }
}

void SQLiteAddressBookWriter::Fail(const std::string& what) {
  if (error_.empty()) error_ = tempPath_ + ": " + what + ": " + (db_ ? sqlite3_errmsg(db_) : "closed");
}

bool SQLiteAddressBookWriter::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  if (error_.empty()) error_ = tempPath_ + ": " + (message ? message : "SQLite error");
  sqlite3_free(message);
  return false;
}

void SQLiteAddressBookWriter::Run(sqlite3_stmt* statement, std::initializer_list<std::string_view> values) {
  if (!error_.empty() || !statement) return;
  sqlite3_reset(statement);
  int index = 1;
  for (std::string_view value : values)
    sqlite3_bind_text(statement, index++, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(statement) != SQLITE_DONE) Fail("insert");
}

void SQLiteAddressBookWriter::AddCardProperty(std::string_view card, std::string_view name, std::string_view value) {
  Run(insertProperty_, {card, name, value});
}

void SQLiteAddressBookWriter::AddList(std::string_view uid, std::string_view name, std::string_view nickName,
                                      std::string_view description) {
  Run(insertList_, {uid, name, nickName, description});
}

void SQLiteAddressBookWriter::AddListCard(std::string_view list, std::string_view card) {
  Run(insertListCard_, {list, card});
}

std::optional<std::string> SQLiteAddressBookWriter::Finish(const std::function<std::string(int)>& nameFor) {
  for (sqlite3_stmt* statement : {insertProperty_, insertList_, insertListCard_}) sqlite3_finalize(statement);
  insertProperty_ = insertList_ = insertListCard_ = nullptr;
  if (error_.empty()) Exec("COMMIT");
  // Closing is the last write: only a book that closed cleanly is placed.
  if (error_.empty()) {
    if (sqlite3_close(db_) == SQLITE_OK)
      db_ = nullptr;
    else
      Fail("close");
  }
  if (!error_.empty()) {
    Discard();
    return std::nullopt;
  }
  for (int n = 1; n <= kMostNames; ++n) {
    const std::string name = nameFor(n);
    if (!NameIsFree(folder_, name)) continue;
    const int moved = MoveWithoutReplacing(tempPath_, Child(folder_, name).FullPath());
    if (moved == EEXIST) continue;  // taken meanwhile
    if (moved != 0) {
      error_ = Child(folder_, name).FullPath() + ": " + ErrorText(moved);
      Discard();
      return std::nullopt;
    }
    tempPath_.clear();
    return name;
  }
  error_ = folder_.FullPath() + ": no free name for an address book";
  Discard();
  return std::nullopt;
}

}  // namespace platform
