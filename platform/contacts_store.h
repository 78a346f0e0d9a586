// The Address Book: a contacts store of people and groups kept in SQLite, with a vCard 3.0
// export of everything rewritten at every save.
//
// A record (person or group) has single text properties and multi-value properties: lists
// of values, each with a label and an identifier of its own, one of them the primary value;
// a value is a text or (postal addresses) a dictionary of texts. Groups hold people and
// other groups, and remember per member person which e-mail address the group uses (its
// distribution identifier). Searches compare one property with a text for equality,
// ignoring letter case. Changes are made inside one transaction that Save commits; what
// is not saved when the store is closed is dropped.
//
// Texts are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

// Properties.
inline constexpr std::string_view kABFirstNameProperty = "First";
inline constexpr std::string_view kABLastNameProperty = "Last";
inline constexpr std::string_view kABNicknameProperty = "Nickname";
inline constexpr std::string_view kABOrganizationProperty = "Organization";
inline constexpr std::string_view kABJobTitleProperty = "JobTitle";
inline constexpr std::string_view kABHomePageProperty = "HomePage";
inline constexpr std::string_view kABNoteProperty = "Note";
inline constexpr std::string_view kABAddressProperty = "Address";  // multi-value of dictionaries
inline constexpr std::string_view kABPhoneProperty = "Phone";      // multi-value
inline constexpr std::string_view kABEmailProperty = "Email";      // multi-value
inline constexpr std::string_view kABGroupNameProperty = "GroupName";

// Labels of multi-value items.
inline constexpr std::string_view kABHomeLabel = "_$!<Home>!$_";
inline constexpr std::string_view kABWorkLabel = "_$!<Work>!$_";
inline constexpr std::string_view kABOtherLabel = "_$!<Other>!$_";
inline constexpr std::string_view kABPhoneMobileLabel = "_$!<Mobile>!$_";
inline constexpr std::string_view kABPhoneHomeFAXLabel = "_$!<HomeFAX>!$_";
inline constexpr std::string_view kABPhoneWorkFAXLabel = "_$!<WorkFAX>!$_";
inline constexpr std::string_view kABEmailHomeLabel = kABHomeLabel;
inline constexpr std::string_view kABPhoneHomeLabel = kABHomeLabel;
inline constexpr std::string_view kABPhoneWorkLabel = kABWorkLabel;
inline constexpr std::string_view kABAddressHomeLabel = kABHomeLabel;
inline constexpr std::string_view kABAddressWorkLabel = kABWorkLabel;

// Keys of an address dictionary.
inline constexpr std::string_view kABAddressStreetKey = "Street";
inline constexpr std::string_view kABAddressCityKey = "City";
inline constexpr std::string_view kABAddressStateKey = "State";
inline constexpr std::string_view kABAddressZIPKey = "ZIP";
inline constexpr std::string_view kABAddressCountryKey = "Country";

using ContactDictionary = std::vector<std::pair<std::string, std::string>>;

class MultiValue {
 public:
  struct Item {
    std::string identifier;
    std::string label;
    std::string text;             // a text value
    ContactDictionary dictionary;  // a dictionary value
    bool isDictionary = false;
  };
  // Adds a value; returns its new identifier.
  std::string Add(std::string text, std::string_view label);
  std::string AddDictionary(ContactDictionary dictionary, std::string_view label);
  size_t Count() const { return items_.size(); }
  const Item& At(size_t index) const { return items_[index]; }
  // The primary value; without one set, the first value is the primary one.
  void SetPrimaryIdentifier(std::string identifier) { primary_ = std::move(identifier); }
  const std::string& PrimaryIdentifier() const { return primary_; }
  std::vector<Item>& Items() { return items_; }

 private:
  std::vector<Item> items_;
  std::string primary_;
};

// A random identifier in the form of a UUID (upper-case hexadecimal, version 4).
std::string NewUniqueIdentifier();

// Case folding for the store's searches: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic capitals become small letters. Text that is not UTF-8 has its ASCII lowered.
std::string FoldCase(std::string_view utf8);

using RecordId = int64_t;
enum class RecordKind { kPerson = 1, kGroup = 2 };

class ContactsStore {
 public:
  // The store in folder (AddressBook.sqlite3, exported to AddressBook.vcf), created with
  // the folder when missing. Null with error set when it cannot be opened.
  static std::unique_ptr<ContactsStore> Open(const std::string& folder, std::string& error);
  // A store in memory, exported nowhere (tests).
  static std::unique_ptr<ContactsStore> OpenInMemory();
  ~ContactsStore();
  ContactsStore(const ContactsStore&) = delete;
  ContactsStore& operator=(const ContactsStore&) = delete;

  RecordId CreatePerson();
  RecordId CreateGroup();
  RecordKind Kind(RecordId record);
  std::string Uid(RecordId record);

  // Records of the kind whose property (single or multi-value) equals value ignoring case,
  // oldest first.
  std::vector<RecordId> Search(RecordKind kind, std::string_view property, std::string_view value);

  void SetValue(RecordId record, std::string_view property, std::string_view value);
  std::optional<std::string> CopyValue(RecordId record, std::string_view property);
  // Replaces the property's values.
  void SetMultiValue(RecordId record, std::string_view property, const MultiValue& values);
  MultiValue CopyMultiValue(RecordId record, std::string_view property);

  // Group membership. A member already there is not added twice; a group is never made a
  // member of itself or of a group inside it (false).
  bool AddMember(RecordId group, RecordId person);
  bool AddSubgroup(RecordId group, RecordId subgroup);
  // Members (people and groups) in the order they were added.
  std::vector<RecordId> Members(RecordId group);
  // Which value of person's multi-value property the group uses.
  bool SetDistributionIdentifier(RecordId group, RecordId person, std::string_view property,
                                 std::string_view identifier);
  std::optional<std::string> DistributionIdentifier(RecordId group, RecordId person, std::string_view property);

  // Makes the changes permanent and rewrites the export. False (with LastError) when either
  // failed.
  bool Save();
  // The vCard 3.0 text of every record (what Save exports).
  std::string ExportVCards();
  const std::string& LastError() const { return error_; }

 private:
  ContactsStore(sqlite3* db, std::string exportPath);
  bool Exec(const char* sql);
  sqlite3_stmt* Statement(const char* sql);
  bool Step(sqlite3_stmt* statement);
  void Fail(const char* what);
  RecordId Create(RecordKind kind);

  sqlite3* db_;
  std::string exportPath_;
  std::vector<std::pair<const char*, sqlite3_stmt*>> statements_;
  std::string error_;
};

}  // namespace platform
