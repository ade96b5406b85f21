// typing.h -- text typed on the teletype screen in step with the music: wait for a music
// position while the cursor blinks, and type a text at a fixed rate. Each section draws
// its own frame from the teletype's text and time.
#pragma once

// Draws one frame after giving the teletype screen `text` (often empty) at `time`.
using TypingFrame = void (*)(const char* text, float time);

// Reaching order o, row r: true while the music position is before it.
bool MusicBefore(int order, int row);

// While the music is before (order, row): the quit check, then one frame with no text.
// A position already reached returns at once without a frame.
void WaitForMusic(int order, int row, TypingFrame frame);

// Types `text` at `secondsPerCharacter` by the clock: every frame gets the characters
// that have become due since the last (several when a frame took long), then the quit
// check. An empty text returns at once.
void TypeText(const char* text, float secondsPerCharacter, TypingFrame frame);
