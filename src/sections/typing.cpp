// typing.cpp -- waiting for the music and typing by the clock.
#include "sections/typing.h"

#include <string>

#include "sections/music_position.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "sound/vss_records.h"

bool MusicBefore(int order, int row) {
    if (!demo.module) return false;
    return MusicBefore(ReadMusicPosition(), order, row);
}

void WaitForMusic(int order, int row, TypingFrame frame) {
    while (MusicBefore(order, row)) {
        if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
        frame("", GetTime());
    }
}

void TypeText(const char* text, float secondsPerCharacter, TypingFrame frame) {
    const float start = GetTime();
    const std::string all = text ? text : "";
    size_t typed = 0;
    while (typed < all.size()) {
        const float now = GetTime();
        const size_t due = static_cast<size_t>((now - start) / secondsPerCharacter);
        if (due > typed) {
            const size_t end = due < all.size() ? due : all.size();
            frame(all.substr(typed, end - typed).c_str(), now);
            typed = end;
        } else {
            frame("", now);
        }
        if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
    }
}
