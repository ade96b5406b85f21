// sections.h -- the show's sections: each has an initialisation, run while the loading
// screen is up, and a run operation with its own frame loop that returns when its end
// position in the music (or its own time) is reached.
#pragma once

struct Texture;

void TitleInit();
void TitleRun();
void LogoInit();
void LogoRun();
void HeartInit();
void HeartRun();
void TvInit();
void TvRun();
void BrainInit();
void BrainRun();
void ClosingInit();
void ClosingRun();

// The two videos: load frames first..last (inclusive) during loading; show EH frames
// first..last at 25 frames per second by the clock.
void LoadEhFrames(int first, int last);
void LoadWarFrames(int first, int last);
// Reads both videos' frames now and decodes them in the background while the sections
// initialise; the batches then take them, with the same results. Before the first batch.
void PrefetchVideos();
void PlayEhFrames(int first, int last);
// The War frame of `timeSeconds` (15 a second, looping) as the image of `texture`; the
// texture is only touched when the frame number changes.
void ShowWarFrame(Texture* texture, float timeSeconds);
