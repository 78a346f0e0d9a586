// Feeds arbitrary bytes to the nickname-file parsers: every line through the alias and note
// readers and the list-member splitter (which must consume text on every call), and the whole
// input through the two-pass driver into a Thunderbird address book and, for short inputs,
// into an Address Book held in memory.
//
// Input: byte 0 chooses the source encoding; the rest is the nickname file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "nicknames/address_book_export.h"
#include "nicknames/mork_writer.h"
#include "nicknames/nickname_file.h"
#include "nicknames/nickname_lines.h"
#include "platform/contacts_store.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void SplitMembers(std::string remaining, nicknames::ListVariant variant) {
  std::string first, last;
  while (remaining.find(',') != std::string::npos) {
    const size_t before = remaining.size();
    nicknames::GetNextListMember(remaining, variant, first, last);
    Check(remaining.size() < before);
  }
  nicknames::GetNextListMember(remaining, variant, first, last);
  Check(remaining.empty());
}

void ParseLine(std::string_view line) {
  nicknames::NicknameEntry entry;
  entry.nickname = nicknames::GetNickName(line, entry.quoted);
  nicknames::ReadAliasLine(line, entry);
  nicknames::ReadNoteLine(line, entry);
  Check(entry.hasAddress == !entry.addresses.empty());
  SplitMembers(entry.addresses, nicknames::ListVariant::kAddressBook);
  SplitMembers(entry.addresses, nicknames::ListVariant::kThunderbird);
  std::string first, last;
  nicknames::ParseName(std::string(line), first, last);
  const std::string trimmed = nicknames::StdTrim(line);
  Check(line.find(trimmed) != std::string_view::npos);
}

class BothTargets final : public nicknames::NicknameTarget {
 public:
  BothTargets(platform::TextEncoding encoding, platform::ContactsStore* store)
      : encoding_(encoding), store_(store) {}
  void AddPerson(const nicknames::NicknameEntry& entry) override {
    mork.AddTBABCard(entry, encoding_);
    if (store_) nicknames::AddABPerson(*store_, entry, encoding_, "Eudora Nicknames");
  }
  void AddList(const nicknames::NicknameEntry& entry) override {
    mork.AddTBABList(entry, encoding_);
    if (store_) nicknames::AddABMailingList(*store_, entry, encoding_, "Eudora Nicknames");
  }
  nicknames::TBAddressBook mork;

 private:
  platform::TextEncoding encoding_;
  platform::ContactsStore* store_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const platform::TextEncoding encodings[] = {platform::kMacRoman, platform::kWindowsLatin1, platform::kMacJapanese};
  const platform::TextEncoding encoding = encodings[data[0] % 3];
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);

  for (size_t start = 0; start <= file.size();) {
    size_t end = file.find('\r', start);
    if (end == std::string_view::npos) end = file.size();
    ParseLine(file.substr(start, end - start));
    start = end + 1;
  }

  std::unique_ptr<platform::ContactsStore> store;
  if (file.size() < 1024) store = platform::ContactsStore::OpenInMemory();
  BothTargets targets(encoding, store.get());
  nicknames::ConvertNicknameFile(file, encoding, targets, {});
  const std::string mab = targets.mork.WriteTBAddressBook();
  Check(mab.compare(0, nicknames::sMABHeader.size(), nicknames::sMABHeader) == 0);
  if (store) store->ExportVCards();
  return 0;
}
