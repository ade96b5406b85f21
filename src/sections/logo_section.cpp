// logo_section.cpp -- the logo section. Not built yet: its initialisation and run
// operation do nothing, so the show passes straight on to the next item.
#include "sections/sections.h"

void LogoInit() {}
void LogoRun() {}
