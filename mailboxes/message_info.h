// What the converter knows about the message being converted: flags the header pass
// finds, the message's table-of-contents entry, its dates and its Mozilla status. One
// record per mailbox, reused for every message.
#pragma once

#include <cstdint>
#include <string>

#include "mailboxes/toc_reader.h"

namespace mailboxes {

struct Frln_MessageInfo {
  bool dateSynthesized = false;  // the header pass wrote its own Date line
  bool isHTML = false;           // first body line "<x-html>" or "<html>"
  bool isRichText = false;       // first body line "<x-rich>"
  bool isMultipart = false;      // top-level multipart (not digest) with a boundary
  bool isRelated = false;        // wrap as multipart/related (in), or is one (out)
  bool isApplication = false;    // top-level application/ type: the body is base64
  bool isDigest = false;         // multipart/digest
  bool recodeBody = true;        // body text is recoded into the declared charset
  bool isSigned = false;         // multipart/signed: the "_pkcs7" inner part is open
  TOCF_Message_Header tocEntry;  // filled by the driver before the header pass
  std::string subject;           // Subject value after the TOC comparison (<= 255 bytes)
  int32_t dateSent = 0;          // seconds since 1970-01-01 00:00 UTC
  int32_t dateKey = 0;           // year * 512 + month * 32 + day
  int64_t status2Offset = 0;     // Thunderbird: output position of the X-Mozilla-Status2 digits
  bool mozStatusSeen = false;    // an X-Mozilla-Status(2) header was read
  bool mozDeleted = false;       // X-Mozilla-Status has the deleted bit
  uint8_t mozState = 1;          // state from X-Mozilla-Status: 1, 3, 8 or 9
  int32_t mozAttachments = -1;   // 0 when X-Mozilla-Status2 says "has attachments"
  uint8_t priority = 120;        // 40 highest .. 200 lowest
};

}  // namespace mailboxes
