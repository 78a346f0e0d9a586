// Address books of current Thunderbird: SQLite files in the profile folder, registered in
// prefs.js with dirType 101. The schema is the one Thunderbird 153 creates:
//
//   properties(card TEXT, name TEXT, value TEXT)   one row per property of a card; a card
//       is its UID (a UUID) and the properties stored under it ("FirstName", "PrimaryEmail",
//       …), from which Thunderbird makes the card's vCard when it has no "_vCard".
//   lists(uid TEXT PRIMARY KEY, name TEXT, nickName TEXT, description TEXT)
//   list_cards(list TEXT, card TEXT, PRIMARY KEY(list, card))   members, in row order
//   indexes properties_card on properties(card) and properties_name on properties(name)
//   PRAGMA user_version = 4
//
// user_version 4 is what lets Thunderbird take the file as it is: with 0 it takes the file
// for a new one and creates the tables, which fails when they exist, and the book is not
// loaded; 1 to 3 make it back the file up and upgrade it.
//
// A book is written whole into a temporary file of the folder, in one transaction, and
// only then given its name, so that an interrupted run never leaves a half book under a
// name that Thunderbird would open.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

class SQLiteAddressBookWriter {
 public:
  // Starts a new, empty book in a temporary file of folder. Null with error set when it
  // cannot be made.
  static std::unique_ptr<SQLiteAddressBookWriter> Create(const FileSpec& folder, std::string& error);
  // An unfinished book is removed with its temporary file.
  ~SQLiteAddressBookWriter();
  SQLiteAddressBookWriter(const SQLiteAddressBookWriter&) = delete;
  SQLiteAddressBookWriter& operator=(const SQLiteAddressBookWriter&) = delete;

  // Texts are UTF-8. A failure is remembered and reported by Finish.
  void AddCardProperty(std::string_view card, std::string_view name, std::string_view value);
  void AddList(std::string_view uid, std::string_view name, std::string_view nickName, std::string_view description);
  // A member card of a list; a card that is a member already is not added twice.
  void AddListCard(std::string_view list, std::string_view card);

  // Commits the book and gives it the first name of nameFor(1), nameFor(2), … that is free
  // in the folder: no item has it, nor SQLite's files beside it ("-journal", "-wal", "-shm",
  // which SQLite would otherwise take for the new file's own). Returns that name, or nothing
  // with Error() set and the temporary file removed.
  std::optional<std::string> Finish(const std::function<std::string(int)>& nameFor);
  const std::string& Error() const { return error_; }

 private:
  SQLiteAddressBookWriter(sqlite3* db, FileSpec folder, std::string tempPath);
  bool Exec(const char* sql);
  void Run(sqlite3_stmt* statement, std::initializer_list<std::string_view> values);
  void Fail(const std::string& what);
  void Discard();

  sqlite3* db_;
  FileSpec folder_;
  std::string tempPath_;
  sqlite3_stmt* insertProperty_ = nullptr;
  sqlite3_stmt* insertList_ = nullptr;
  sqlite3_stmt* insertListCard_ = nullptr;
  std::string error_;
};

}  // namespace platform
