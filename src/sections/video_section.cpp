// video_section.cpp -- the EH and War videos. Not built yet: nothing is loaded and the
// cuts between sections show nothing.
#include "sections/sections.h"

void LoadEhFrames(int, int) {}
void LoadWarFrames(int, int) {}
void PlayEhFrames(int, int) {}
