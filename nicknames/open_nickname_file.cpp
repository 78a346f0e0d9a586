// Nickname file conversion. Nickname files are recognised and queued, but not converted yet.
#include "app/ferrolin.h"

void Ferrolin::OpenNicknameFile(platform::FileSpec, const platform::FileSpec&) {}
