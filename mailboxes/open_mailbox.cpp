// Mailbox conversion driver. Mailboxes are recognised and queued, but not converted yet:
// each call converts nothing and asks for no continuation.
#include "app/ferrolin.h"

bool Ferrolin::OpenMailbox(platform::FileSpec, const platform::FileSpec&, int32_t, platform::FileSpec&,
                           platform::FileSpec&, bool, bool) {
  return false;
}
