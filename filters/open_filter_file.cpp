// Filter file conversion. Filter files are recognised and queued, but not converted yet.
#include "app/ferrolin.h"

void Ferrolin::OpenFilterFile(platform::FileSpec) {}
