// brain_section.cpp -- the brain section. Not built yet: its initialisation and run
// operation do nothing, so the show passes straight on to the next item.
#include "sections/sections.h"

void BrainInit() {}
void BrainRun() {}
