// The contacts store on SQLite, and its vCard export.
//
// Schema (user_version 1):
//   records(id INTEGER PRIMARY KEY, uid TEXT UNIQUE, kind INTEGER)
//       one row per person (kind 1) or group (kind 2); id gives the creation order, uid is
//       the vCard UID.
//   properties(record, name, value, folded, PRIMARY KEY(record, name))
//       single text properties; folded is FoldCase(value), which searches compare.
//   multi_values(id INTEGER PRIMARY KEY, record, property, position, identifier, label,
//                value, folded, is_primary)
//       the items of multi-value properties in their order; value and folded are NULL for a
//       dictionary, whose entries are in multi_value_fields(item, position, key, value).
//   members(group_id, member, position, distribution_property, distribution,
//           PRIMARY KEY(group_id, member))
//       group membership of people and groups, in the order added, with the person's
//       distribution identifier (which of its e-mail addresses the group uses).
#include "platform/contacts_store.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/encodings.h"
#include "platform/files.h"
#include "platform/system.h"

namespace platform {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS records (id INTEGER PRIMARY KEY, uid TEXT NOT NULL UNIQUE, kind INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS properties (record INTEGER NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL,"
    " folded TEXT NOT NULL, PRIMARY KEY (record, name));"
    "CREATE INDEX IF NOT EXISTS properties_search ON properties (name, folded);"
    "CREATE TABLE IF NOT EXISTS multi_values (id INTEGER PRIMARY KEY, record INTEGER NOT NULL,"
    " property TEXT NOT NULL, position INTEGER NOT NULL, identifier TEXT NOT NULL, label TEXT NOT NULL,"
    " value TEXT, folded TEXT, is_primary INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX IF NOT EXISTS multi_values_record ON multi_values (record, property, position);"
    "CREATE INDEX IF NOT EXISTS multi_values_search ON multi_values (property, folded);"
    "CREATE TABLE IF NOT EXISTS multi_value_fields (item INTEGER NOT NULL, position INTEGER NOT NULL,"
    " key TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (item, position));"
    "CREATE TABLE IF NOT EXISTS members (group_id INTEGER NOT NULL, member INTEGER NOT NULL,"
    " position INTEGER NOT NULL, distribution_property TEXT, distribution TEXT, PRIMARY KEY (group_id, member));"
    "CREATE INDEX IF NOT EXISTS members_order ON members (group_id, position);"
    "PRAGMA user_version = 1;";

char32_t FoldCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : c + 1;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x3C2) return 0x3C3;  // final sigma
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

std::string_view Column(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (!text) return {};
  return std::string_view(reinterpret_cast<const char*>(text),
                          static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

void Bind(sqlite3_stmt* statement, int index, std::string_view text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// vCard 3.0 text escapes: backslash, comma, semicolon and line breaks.
std::string EscapeVCard(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' || c == ',' || c == ';') {
      out += '\\';
      out += c;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// One content line, folded at 75 octets (never inside a UTF-8 sequence), ended by CR LF.
void AppendLine(std::string& out, std::string_view line) {
  size_t limit = 75;
  while (line.size() > limit) {
    size_t cut = limit;
    while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    limit = 74;
  }
  out.append(line);
  out += "\r\n";
}

// TYPE values of a label.
std::string TypesOf(std::string_view label) {
  if (label == kABHomeLabel) return "HOME";
  if (label == kABWorkLabel) return "WORK";
  if (label == kABPhoneMobileLabel) return "CELL";
  if (label == kABPhoneHomeFAXLabel) return "HOME,FAX";
  if (label == kABPhoneWorkFAXLabel) return "WORK,FAX";
  return "OTHER";
}

std::string_view Field(const ContactDictionary& dictionary, std::string_view key) {
  for (const auto& [k, v] : dictionary)
    if (k == key) return v;
  return {};
}

}  // namespace

std::string MultiValue::Add(std::string text, std::string_view label) {
  Item item;
  item.identifier = NewUniqueIdentifier();
  item.label = std::string(label);
  item.text = std::move(text);
  items_.push_back(std::move(item));
  return items_.back().identifier;
}

std::string MultiValue::AddDictionary(ContactDictionary dictionary, std::string_view label) {
  Item item;
  item.identifier = NewUniqueIdentifier();
  item.label = std::string(label);
  item.dictionary = std::move(dictionary);
  item.isDictionary = true;
  items_.push_back(std::move(item));
  return items_.back().identifier;
}

std::string NewUniqueIdentifier() {
  std::string id = RandomUUID();
  for (char& c : id)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return id;
}

std::string FoldCase(std::string_view utf8) {
  std::u32string text;
  if (!DecodeText(utf8, kUTF8, text)) {
    std::string out(utf8);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
    return out;
  }
  std::string out;
  for (char32_t c : text) AppendUTF8(FoldCodePoint(c), out);
  return out;
}

std::unique_ptr<ContactsStore> ContactsStore::Open(const std::string& folder, std::string& error) {
  if (int failed = CreateFolders(folder)) {
    error = folder + ": " + ErrorText(failed);
    return nullptr;
  }
  const std::string path = folder + "/AddressBook.sqlite3";
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    error = path + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  // A whole nickname file is one transaction: keep its pages in memory (up to 64 MB).
  sqlite3_exec(db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
  std::unique_ptr<ContactsStore> store(new ContactsStore(db, folder + "/AddressBook.vcf"));
  if (!store->Exec(kSchema) || !store->Exec("BEGIN")) {
    error = path + ": " + store->error_;
    return nullptr;
  }
  return store;
}

std::unique_ptr<ContactsStore> ContactsStore::OpenInMemory() {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  std::unique_ptr<ContactsStore> store(new ContactsStore(db, ""));
  store->Exec(kSchema);
  store->Exec("BEGIN");
  return store;
}

ContactsStore::ContactsStore(sqlite3* db, std::string exportPath) : db_(db), exportPath_(std::move(exportPath)) {}

ContactsStore::~ContactsStore() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db_);
}

void ContactsStore::Fail(const char* what) {
  if (error_.empty()) error_ = std::string(what) + ": " + sqlite3_errmsg(db_);
}

bool ContactsStore::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  if (error_.empty()) error_ = message ? message : "SQLite error";
  sqlite3_free(message);
  return false;
}

sqlite3_stmt* ContactsStore::Statement(const char* sql) {
  for (auto& [known, statement] : statements_)
    if (known == sql) {
      sqlite3_reset(statement);
      sqlite3_clear_bindings(statement);
      return statement;
    }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    Fail("prepare");
    return nullptr;
  }
  statements_.emplace_back(sql, statement);
  return statement;
}

bool ContactsStore::Step(sqlite3_stmt* statement) {
  int result = sqlite3_step(statement);
  if (result == SQLITE_ROW) return true;
  if (result != SQLITE_DONE) Fail("step");
  return false;
}

RecordId ContactsStore::Create(RecordKind kind) {
  sqlite3_stmt* s = Statement("INSERT INTO records (uid, kind) VALUES (?, ?)");
  if (!s) return 0;
  Bind(s, 1, NewUniqueIdentifier());
  sqlite3_bind_int(s, 2, static_cast<int>(kind));
  Step(s);
  return sqlite3_last_insert_rowid(db_);
}

RecordId ContactsStore::CreatePerson() { return Create(RecordKind::kPerson); }
RecordId ContactsStore::CreateGroup() { return Create(RecordKind::kGroup); }

RecordKind ContactsStore::Kind(RecordId record) {
  sqlite3_stmt* s = Statement("SELECT kind FROM records WHERE id = ?");
  if (!s) return RecordKind::kPerson;
  sqlite3_bind_int64(s, 1, record);
  return Step(s) && sqlite3_column_int(s, 0) == 2 ? RecordKind::kGroup : RecordKind::kPerson;
}

std::string ContactsStore::Uid(RecordId record) {
  sqlite3_stmt* s = Statement("SELECT uid FROM records WHERE id = ?");
  if (!s) return {};
  sqlite3_bind_int64(s, 1, record);
  return Step(s) ? std::string(Column(s, 0)) : std::string();
}

std::vector<RecordId> ContactsStore::Search(RecordKind kind, std::string_view property, std::string_view value) {
  const std::string folded = FoldCase(value);
  std::vector<RecordId> found;
  for (const char* sql : {"SELECT p.record FROM properties p JOIN records r ON r.id = p.record"
                          " WHERE p.name = ? AND p.folded = ? AND r.kind = ?",
                          "SELECT DISTINCT m.record FROM multi_values m JOIN records r ON r.id = m.record"
                          " WHERE m.property = ? AND m.folded = ? AND r.kind = ?"}) {
    sqlite3_stmt* s = Statement(sql);
    if (!s) continue;
    Bind(s, 1, property);
    Bind(s, 2, folded);
    sqlite3_bind_int(s, 3, static_cast<int>(kind));
    while (Step(s)) found.push_back(sqlite3_column_int64(s, 0));
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

void ContactsStore::SetValue(RecordId record, std::string_view property, std::string_view value) {
  sqlite3_stmt* s = Statement("INSERT OR REPLACE INTO properties (record, name, value, folded) VALUES (?, ?, ?, ?)");
  if (!s) return;
  sqlite3_bind_int64(s, 1, record);
  Bind(s, 2, property);
  Bind(s, 3, value);
  Bind(s, 4, FoldCase(value));
  Step(s);
}

std::optional<std::string> ContactsStore::CopyValue(RecordId record, std::string_view property) {
  sqlite3_stmt* s = Statement("SELECT value FROM properties WHERE record = ? AND name = ?");
  if (!s) return std::nullopt;
  sqlite3_bind_int64(s, 1, record);
  Bind(s, 2, property);
  if (!Step(s)) return std::nullopt;
  return std::string(Column(s, 0));
}

void ContactsStore::SetMultiValue(RecordId record, std::string_view property, const MultiValue& values) {
  if (sqlite3_stmt* s = Statement("DELETE FROM multi_value_fields WHERE item IN"
                                  " (SELECT id FROM multi_values WHERE record = ? AND property = ?)")) {
    sqlite3_bind_int64(s, 1, record);
    Bind(s, 2, property);
    Step(s);
  }
  if (sqlite3_stmt* s = Statement("DELETE FROM multi_values WHERE record = ? AND property = ?")) {
    sqlite3_bind_int64(s, 1, record);
    Bind(s, 2, property);
    Step(s);
  }
  bool primarySet = false;
  for (size_t i = 0; i < values.Count(); ++i)
    if (values.At(i).identifier == values.PrimaryIdentifier()) primarySet = true;
  for (size_t i = 0; i < values.Count(); ++i) {
    const MultiValue::Item& item = values.At(i);
    sqlite3_stmt* s = Statement(
        "INSERT INTO multi_values (record, property, position, identifier, label, value, folded, is_primary)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    if (!s) return;
    sqlite3_bind_int64(s, 1, record);
    Bind(s, 2, property);
    sqlite3_bind_int64(s, 3, static_cast<int64_t>(i));
    Bind(s, 4, item.identifier);
    Bind(s, 5, item.label);
    if (!item.isDictionary) {
      Bind(s, 6, item.text);
      Bind(s, 7, FoldCase(item.text));
    }
    bool primary = primarySet ? item.identifier == values.PrimaryIdentifier() : i == 0;
    sqlite3_bind_int(s, 8, primary ? 1 : 0);
    Step(s);
    if (!item.isDictionary) continue;
    const RecordId entry = sqlite3_last_insert_rowid(db_);
    for (size_t k = 0; k < item.dictionary.size(); ++k) {
      sqlite3_stmt* f = Statement("INSERT INTO multi_value_fields (item, position, key, value) VALUES (?, ?, ?, ?)");
      if (!f) return;
      sqlite3_bind_int64(f, 1, entry);
      sqlite3_bind_int64(f, 2, static_cast<int64_t>(k));
      Bind(f, 3, item.dictionary[k].first);
      Bind(f, 4, item.dictionary[k].second);
      Step(f);
    }
  }
}

MultiValue ContactsStore::CopyMultiValue(RecordId record, std::string_view property) {
  MultiValue values;
  std::vector<int64_t> ids;
  sqlite3_stmt* s = Statement(
      "SELECT id, identifier, label, value, value IS NULL, is_primary FROM multi_values"
      " WHERE record = ? AND property = ? ORDER BY position");
  if (!s) return values;
  sqlite3_bind_int64(s, 1, record);
  Bind(s, 2, property);
  while (Step(s)) {
    MultiValue::Item item;
    ids.push_back(sqlite3_column_int64(s, 0));
    item.identifier = std::string(Column(s, 1));
    item.label = std::string(Column(s, 2));
    item.text = std::string(Column(s, 3));
    item.isDictionary = sqlite3_column_int(s, 4) != 0;
    if (sqlite3_column_int(s, 5) != 0) values.SetPrimaryIdentifier(item.identifier);
    values.Items().push_back(std::move(item));
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    if (!values.Items()[i].isDictionary) continue;
    sqlite3_stmt* f = Statement("SELECT key, value FROM multi_value_fields WHERE item = ? ORDER BY position");
    if (!f) break;
    sqlite3_bind_int64(f, 1, ids[i]);
    while (Step(f)) values.Items()[i].dictionary.emplace_back(Column(f, 0), Column(f, 1));
  }
  return values;
}

bool ContactsStore::AddMember(RecordId group, RecordId person) {
  sqlite3_stmt* s = Statement(
      "INSERT OR IGNORE INTO members (group_id, member, position)"
      " VALUES (?1, ?2, (SELECT IFNULL(MAX(position), 0) + 1 FROM members WHERE group_id = ?1))");
  if (!s) return false;
  sqlite3_bind_int64(s, 1, group);
  sqlite3_bind_int64(s, 2, person);
  Step(s);
  return sqlite3_changes(db_) > 0;
}

bool ContactsStore::AddSubgroup(RecordId group, RecordId subgroup) {
  // Refused when group is subgroup itself or lies anywhere inside it.
  sqlite3_stmt* s = Statement(
      "WITH RECURSIVE inside(id) AS (SELECT ?1 UNION SELECT m.member FROM members m JOIN inside ON m.group_id = inside.id)"
      " SELECT 1 FROM inside WHERE id = ?2");
  if (!s) return false;
  sqlite3_bind_int64(s, 1, subgroup);
  sqlite3_bind_int64(s, 2, group);
  if (Step(s)) return false;
  return AddMember(group, subgroup);
}

std::vector<RecordId> ContactsStore::Members(RecordId group) {
  std::vector<RecordId> members;
  sqlite3_stmt* s = Statement("SELECT member FROM members WHERE group_id = ? ORDER BY position");
  if (!s) return members;
  sqlite3_bind_int64(s, 1, group);
  while (Step(s)) members.push_back(sqlite3_column_int64(s, 0));
  return members;
}

bool ContactsStore::SetDistributionIdentifier(RecordId group, RecordId person, std::string_view property,
                                              std::string_view identifier) {
  sqlite3_stmt* s = Statement(
      "UPDATE members SET distribution_property = ?, distribution = ? WHERE group_id = ? AND member = ?");
  if (!s) return false;
  Bind(s, 1, property);
  Bind(s, 2, identifier);
  sqlite3_bind_int64(s, 3, group);
  sqlite3_bind_int64(s, 4, person);
  Step(s);
  return sqlite3_changes(db_) > 0;
}

std::optional<std::string> ContactsStore::DistributionIdentifier(RecordId group, RecordId person,
                                                                 std::string_view property) {
  sqlite3_stmt* s = Statement(
      "SELECT distribution FROM members WHERE group_id = ? AND member = ? AND distribution_property = ?");
  if (!s) return std::nullopt;
  sqlite3_bind_int64(s, 1, group);
  sqlite3_bind_int64(s, 2, person);
  Bind(s, 3, property);
  if (!Step(s)) return std::nullopt;
  return std::string(Column(s, 0));
}

bool ContactsStore::Save() {
  error_.clear();
  if (!Exec("COMMIT")) return false;
  bool exported = true;
  if (!exportPath_.empty()) {
    if (int failed = ReplaceFileAtomically(exportPath_, ExportVCards())) {
      error_ = exportPath_ + ": " + ErrorText(failed);
      exported = false;
    }
  }
  return Exec("BEGIN") && exported;
}

std::string ContactsStore::ExportVCards() {
  std::vector<std::pair<RecordId, RecordKind>> records;
  if (sqlite3_stmt* s = Statement("SELECT id, kind FROM records ORDER BY id")) {
    while (Step(s))
      records.emplace_back(sqlite3_column_int64(s, 0),
                           sqlite3_column_int(s, 1) == 2 ? RecordKind::kGroup : RecordKind::kPerson);
  }
  std::string out;
  for (const auto& [record, kind] : records) {
    AppendLine(out, "BEGIN:VCARD");
    AppendLine(out, "VERSION:3.0");
    if (kind == RecordKind::kGroup) {
      const std::string name = EscapeVCard(CopyValue(record, kABGroupNameProperty).value_or(""));
      AppendLine(out, "N:" + name + ";;;;");
      AppendLine(out, "FN:" + name);
      AppendLine(out, "X-ADDRESSBOOKSERVER-KIND:group");
      for (RecordId member : Members(record)) AppendLine(out, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + Uid(member));
    } else {
      const std::string first = CopyValue(record, kABFirstNameProperty).value_or("");
      const std::string last = CopyValue(record, kABLastNameProperty).value_or("");
      const std::string nickname = CopyValue(record, kABNicknameProperty).value_or("");
      const std::string organization = CopyValue(record, kABOrganizationProperty).value_or("");
      const MultiValue emails = CopyMultiValue(record, kABEmailProperty);
      // FN is required: the name, else the organization, the nickname or an e-mail address.
      std::string fullName = first + (!first.empty() && !last.empty() ? " " : "") + last;
      if (fullName.empty()) fullName = organization;
      if (fullName.empty()) fullName = nickname;
      if (fullName.empty() && emails.Count() > 0) fullName = emails.At(0).text;
      AppendLine(out, "N:" + EscapeVCard(last) + ";" + EscapeVCard(first) + ";;;");
      AppendLine(out, "FN:" + EscapeVCard(fullName));
      if (!nickname.empty()) AppendLine(out, "NICKNAME:" + EscapeVCard(nickname));
      if (!organization.empty()) AppendLine(out, "ORG:" + EscapeVCard(organization));
      for (auto [property, name] : {std::pair{kABJobTitleProperty, "TITLE"}, std::pair{kABHomePageProperty, "URL"},
                                    std::pair{kABNoteProperty, "NOTE"}}) {
        std::optional<std::string> value = CopyValue(record, property);
        if (value && !value->empty()) AppendLine(out, std::string(name) + ":" + EscapeVCard(*value));
      }
      auto types = [](const MultiValue& values, size_t i, std::string_view prefix) {
        std::string t = std::string(prefix) + TypesOf(values.At(i).label);
        bool primary = values.PrimaryIdentifier().empty() ? i == 0 : values.At(i).identifier == values.PrimaryIdentifier();
        if (primary) t += ",PREF";
        return t;
      };
      const MultiValue addresses = CopyMultiValue(record, kABAddressProperty);
      for (size_t i = 0; i < addresses.Count(); ++i) {
        const ContactDictionary& d = addresses.At(i).dictionary;
        AppendLine(out, "ADR;TYPE=" + types(addresses, i, "") + ":;;" + EscapeVCard(Field(d, kABAddressStreetKey)) +
                            ";" + EscapeVCard(Field(d, kABAddressCityKey)) + ";" +
                            EscapeVCard(Field(d, kABAddressStateKey)) + ";" + EscapeVCard(Field(d, kABAddressZIPKey)) +
                            ";" + EscapeVCard(Field(d, kABAddressCountryKey)));
      }
      const MultiValue phones = CopyMultiValue(record, kABPhoneProperty);
      for (size_t i = 0; i < phones.Count(); ++i)
        AppendLine(out, "TEL;TYPE=" + types(phones, i, "") + ":" + EscapeVCard(phones.At(i).text));
      for (size_t i = 0; i < emails.Count(); ++i)
        AppendLine(out, "EMAIL;TYPE=" + types(emails, i, "INTERNET,") + ":" + EscapeVCard(emails.At(i).text));
    }
    AppendLine(out, "UID:" + Uid(record));
    AppendLine(out, "END:VCARD");
  }
  return out;
}

}  // namespace platform
