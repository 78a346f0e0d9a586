#include "platform/events.h"

namespace platform {

const Descriptor* Descriptor::Field(OSType wanted) const {
  for (const Descriptor& field : fields)
    if (field.key == wanted) return &field;
  return nullptr;
}

void Descriptor::PutField(OSType wanted, Descriptor value) {
  value.key = wanted;
  for (Descriptor& field : fields)
    if (field.key == wanted) {
      field = std::move(value);
      return;
    }
  fields.push_back(std::move(value));
}

Descriptor MakeOSType(OSType type, OSType value) {
  Descriptor d;
  d.type = type;
  for (int shift = 24; shift >= 0; shift -= 8) d.data.push_back(static_cast<char>((value >> shift) & 0xFF));
  return d;
}

Descriptor MakeBoolean(bool value) {
  Descriptor d;
  d.type = kTypeBoolean;
  d.data.assign(1, value ? 1 : 0);
  return d;
}

Descriptor MakeFileSpecDescriptor(const FileSpec& item) {
  Descriptor d;
  d.type = kTypeFileSpec;
  d.data = item.FullPath();
  return d;
}

bool GetFileSpec(const Descriptor& desc, FileSpec& out) {
  if (desc.type != kTypeFileSpec || desc.data.empty()) return false;
  out = FileSpecFromPath(desc.data);
  return true;
}

bool GetOSType(const Descriptor& desc, OSType& out) {
  if (desc.data.size() != 4) return false;
  out = 0;
  for (unsigned char c : desc.data) out = (out << 8) | c;
  return true;
}

bool GetBoolean(const Descriptor& desc, bool& out) {
  if (desc.type == kTypeBoolean && desc.data.size() == 1) {
    out = desc.data[0] != 0;
    return true;
  }
  OSType value = 0;
  if (desc.type == kTypeSInt32 && GetOSType(desc, value)) {
    out = value != 0;
    return true;
  }
  return false;
}

Descriptor MakeApplicationPropertySpecifier(OSType property) {
  Descriptor specifier;
  specifier.type = kTypeObjectSpecifier;
  specifier.PutField(kKeyWantType, MakeOSType(kTypeType, kTypeProperty));
  specifier.PutField(kKeyForm, MakeOSType(kTypeEnumerated, kFormProperty));
  specifier.PutField(kKeySelection, MakeOSType(kTypeType, property));
  Descriptor container;
  container.type = kTypeNull;
  specifier.PutField(kKeyContainer, container);
  return specifier;
}

AppleEvent MakeSetDataEvent(OSType property, Descriptor value) {
  AppleEvent ev;
  ev.Put(kKeyDirectObject, MakeApplicationPropertySpecifier(property));
  ev.Put(kKeyData, std::move(value));
  return ev;
}

AppleEvent MakeOpenDocumentsEvent(const std::vector<FileSpec>& items) {
  AppleEvent ev;
  Descriptor list;
  list.type = kTypeList;
  for (const FileSpec& item : items) list.items.push_back(MakeFileSpecDescriptor(item));
  ev.Put(kKeyDirectObject, std::move(list));
  return ev;
}

}  // namespace platform
