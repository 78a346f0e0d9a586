// Thunderbird's tags for Eudora labels, as a profile's prefs.js defines them. Thunderbird's
// tag service reads "mailnews.tags.<key>.tag" (the name it shows) and
// "mailnews.tags.<key>.color" ("#rrggbb"); a keyword without a ".tag" pref shows no tag.
// Each label gets the colour that Apple Mail gets for it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace app {

// The prefs.js lines that define the tag of every label (those with a tag key, in ascending
// order) whose tag prefsJs does not define yet:
//   user_pref("mailnews.tags.eudoralabelN.tag", "Eudora label N");
//   user_pref("mailnews.tags.eudoralabelN.color", "#rrggbb");
// A tag counts as defined when prefsJs names its ".tag" pref in quotes, whoever wrote it, so
// that neither a tag the user renamed or recoloured nor one of an earlier run is repeated.
std::string LabelTagPrefs(std::string_view prefsJs, const std::set<int32_t>& labels);

}  // namespace app
