#include "app/thunderbird_label_tags.h"

#include "mailboxes/apple_mail_writer.h"
#include "mailboxes/thunderbird_writer.h"

namespace app {

std::string LabelTagPrefs(std::string_view prefsJs, const std::set<int32_t>& labels) {
  std::string lines;
  for (int32_t label : labels) {
    const std::string key = mailboxes::LabelTagKey(label);
    if (key.empty()) continue;
    const std::string pref = "mailnews.tags." + key;
    if (prefsJs.find("\"" + pref + ".tag\"") != std::string_view::npos) continue;
    lines += "user_pref(\"" + pref + ".tag\", \"Eudora label " + std::to_string(label) + "\");\n";
    lines += "user_pref(\"" + pref + ".color\", \"#" + mailboxes::LabelColor(label) + "\");\n";
  }
  return lines;
}

}  // namespace app
