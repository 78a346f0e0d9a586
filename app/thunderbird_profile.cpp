// Thunderbird profile set-up. The Thunderbird target is not built yet: nothing is prepared
// and the converters receive the Library folder and no profile.
#include "app/ferrolin.h"

void Ferrolin::PrepareThunderbirdProfile(platform::FileSpec&, platform::FileSpec&) {}
