// The application's events as the scripting interface delivers them: numbered events with
// typed descriptors (the shape of Apple events, reduced to what the program reads). The
// command line builds these, so a run started from it goes through the same code as one
// started by a script.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/resource_file.h"

namespace platform {

using OSType = uint32_t;

// Event numbers of the application's event table.
enum EventNumber : long {
  kEventOpenApplication = 1001,
  kEventOpenDocuments = 1002,
  kEventPrintDocuments = 1003,
  kEventQuit = 1004,
  kEventReopenApplication = 1005,
  kEventSetData = 2013,
};

inline constexpr OSType kKeyDirectObject = FourCC("----");
inline constexpr OSType kKeyData = FourCC("data");
inline constexpr OSType kKeyForm = FourCC("form");
inline constexpr OSType kKeyContainer = FourCC("from");
inline constexpr OSType kKeyWantType = FourCC("want");
inline constexpr OSType kKeySelection = FourCC("seld");

inline constexpr OSType kTypeNull = FourCC("null");
inline constexpr OSType kTypeObjectSpecifier = FourCC("obj ");
inline constexpr OSType kTypeRecord = FourCC("reco");
inline constexpr OSType kTypeList = FourCC("list");
inline constexpr OSType kTypeEnumerated = FourCC("enum");
inline constexpr OSType kTypeBoolean = FourCC("bool");
inline constexpr OSType kTypeType = FourCC("type");
inline constexpr OSType kTypeFileSpec = FourCC("fss ");
inline constexpr OSType kTypeSInt32 = FourCC("long");
inline constexpr OSType kFormProperty = FourCC("prop");
inline constexpr OSType kTypeProperty = FourCC("prop");

// A typed value: plain data, a record of keyed descriptors (records and object
// specifiers), or a list. A descriptor that is a field of a record carries its key.
struct Descriptor {
  OSType type = kTypeNull;
  std::string data;
  OSType key = 0;
  std::vector<Descriptor> fields;
  std::vector<Descriptor> items;

  const Descriptor* Field(OSType key) const;
  // Sets the field of that key (replacing one that is there).
  void PutField(OSType key, Descriptor value);
};

Descriptor MakeOSType(OSType type, OSType value);  // 4 bytes, big-endian, of the given type
Descriptor MakeBoolean(bool value);
Descriptor MakeFileSpecDescriptor(const FileSpec& item);
// Reads a 'fss ' descriptor back.
bool GetFileSpec(const Descriptor& desc, FileSpec& out);
// The 4 bytes of a descriptor's data as a code (big-endian); false unless exactly 4 bytes.
bool GetOSType(const Descriptor& desc, OSType& out);
// A Boolean read with the coercions scripts rely on: 'bool' of one byte, or a 4-byte
// integer ('long'); false when the descriptor holds neither.
bool GetBoolean(const Descriptor& desc, bool& out);

struct AppleEvent {
  Descriptor params;  // a record of the event's parameters
  const Descriptor* Param(OSType key) const { return params.Field(key); }
  void Put(OSType key, Descriptor value) { params.PutField(key, std::move(value)); }
};

// The object specifier of a property of the application itself.
Descriptor MakeApplicationPropertySpecifier(OSType property);
AppleEvent MakeSetDataEvent(OSType property, Descriptor value);
AppleEvent MakeOpenDocumentsEvent(const std::vector<FileSpec>& items);

}  // namespace platform
