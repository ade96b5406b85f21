// soundtrack.cpp -- "Files\Tenebrix.it", the show's music: a piece in D minor at speed 6
// and tempo 110, so a 64-row order lasts 8.727 s and four rows make a beat. The pictures
// follow the music by order and row, so the piece is laid out for them:
//   order 0 (144 rows)  wind and bells under the typed title (lines at rows 12, 32, 60, 92)
//   orders 1-2          the logo: a first groove, glitches on the noise-screen rows of
//                       order 2, and a switch-off fall on its rows 48-63
//   orders 3-9          the heart: a heartbeat that quickens through orders 5-8, the theme,
//                       and a floating interlude for the metaballs in order 9
//   orders 10-18        the war: martial drums on the camera-cut rows, the credits over
//                       10-11, the missile's rising tension with stutters on rows 60-63,
//                       order 18 collapsing into noise
//   orders 19-22        the brain: one event every row, bright, a finale in the last quarter
//   order 23            the long video
//   orders 24-25        a calm close that fades out through order 25 (order 24 of 128 rows)
// Nothing here changes the speed or the tempo for longer than a pair of rows that add up
// to two ordinary rows, so every order starts where the pictures expect it.
#include <array>
#include <cstdio>
#include <vector>

#include "content.h"
#include "soundtrack.h"
#include "synth.h"

namespace forge {

namespace {

// Channels.
enum Ch : int {
    kKick, kSnare, kHat, kTom, kHit, kBass, kPadA, kPadB, kPadC, kChoir, kLead, kArp, kFx, kAir, kEcho,
    kControl,  // the sound system's filter and echo switches, nothing audible
    kChannels
};

constexpr int kRows = 64;
// The order the closing's messages are typed in: 128 rows, its last message at row 120.
constexpr int kClosingOrder = 24;
constexpr int kTitleRows = kSoundtrackTitleRows;

// Notes as MIDI numbers: note 60 sounds at middle C.
enum : int { C2 = 36, D2 = 38, E2 = 40, F2 = 41, G2 = 43, A2 = 45, Bb2 = 46, C3 = 48, D3 = 50, F3 = 53, A3 = 57 };
constexpr int D5 = 74;

struct Chord {
    int bass;                // root, in the second octave
    std::array<int, 3> pad;  // a close voicing round middle C
};
constexpr Chord kDm{D2, {57, 62, 65}}, kBb{34, {58, 62, 65}}, kF{F2, {57, 60, 65}}, kC{C2, {55, 60, 64}},
    kGm{31 + 12, {55, 58, 62}}, kA{33, {57, 61, 64}}, kEb{39, {55, 58, 63}}, kDsus{D2, {57, 62, 64}};

using Bars = std::array<Chord, 4>;
constexpr Bars kVerse{kDm, kBb, kF, kC};    // i VI III VII
constexpr Bars kAnswer{kDm, kGm, kBb, kA};  // i iv VI V
constexpr Bars kMarch{kDm, kDm, kBb, kA};
constexpr Bars kMissile{kGm, kDm, kEb, kA};
constexpr Bars kBright{kBb, kC, kDm, kDm};

Chord Shift(Chord c, int by) {
    c.bass += by;
    for (int& n : c.pad) n += by;
    return c;
}

// One melody note: row, note, rows it lasts.
struct Tone {
    int row, note, length;
};
// The theme, its first half over the verse chords and its answer over the i iv VI V bars.
const std::vector<Tone> kThemeA = {{0, 69, 6},  {6, 65, 2},  {8, 74, 6},  {14, 72, 2}, {16, 74, 4}, {20, 77, 4},
                                   {24, 74, 4}, {28, 70, 4}, {32, 72, 6}, {38, 69, 2}, {40, 65, 4}, {44, 69, 4},
                                   {48, 67, 8}, {56, 64, 4}, {60, 67, 4}};
const std::vector<Tone> kThemeB = {{0, 69, 4},  {4, 74, 4},  {8, 77, 6},  {14, 76, 2}, {16, 74, 6}, {22, 70, 2},
                                   {24, 67, 8}, {32, 77, 4}, {36, 74, 4}, {40, 77, 4}, {44, 82, 4}, {48, 81, 8},
                                   {56, 76, 4}, {60, 73, 4}};

// The rows on which the logo shows its noise screen in order 2.
constexpr std::array<int, 48> kNoiseRows = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 0, 1, 0, 1, 1, 1,
                                            0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 0, 1, 1, 1, 1, 1, 1};
// The TV section cuts its cameras on these rows of every order.
constexpr std::array<int, 20> kCutRows = {0, 8, 10, 12, 14, 16, 24, 26, 28, 30, 32, 40, 42, 44, 46, 48, 56, 58, 60, 62};

// Writes into one pattern.
class Score {
public:
    Score(ItPattern& p, const SoundtrackKit& kit) : p_(p), k(kit) {}

    // Writes from here on land `rows` further down the pattern (a 128-row pattern is
    // written as two 64-row halves).
    void StartAt(int rows) { offset_ = rows; }

    void Note(int row, int ch, int note, int ins, int vol = -1, char fx = 0, int param = 0) {
        row += offset_;
        if (row < 0 || row >= p_.Rows()) return;
        ItCell& c = p_.At(row, ch);
        c.note = static_cast<uint8_t>(note);
        c.instrument = static_cast<uint8_t>(ins);
        c.volume = static_cast<int16_t>(vol);
        if (fx) c.effect = ItEffect(fx), c.param = static_cast<uint8_t>(param);
    }
    void Fx(int row, int ch, char fx, int param) {
        row += offset_;
        if (row < 0 || row >= p_.Rows()) return;
        ItCell& c = p_.At(row, ch);
        c.effect = ItEffect(fx);
        c.param = static_cast<uint8_t>(param);
    }
    void Vol(int row, int ch, int vol) {
        row += offset_;
        if (row >= 0 && row < p_.Rows()) p_.At(row, ch).volume = static_cast<int16_t>(vol);
    }
    void Off(int row, int ch) { Note(row, ch, kItNoteOff, 0); }
    void Cut(int row, int ch) { Note(row, ch, kItNoteCut, 0); }
    int Rows() const { return p_.Rows(); }

    // Chords: pad on three channels, one chord a bar from `from`.
    void PadChords(const Bars& bars, int vol, int from = 0, int to = kRows) {
        for (int bar = 0; bar < 4; ++bar) {
            int row = bar * 16;
            if (row < from || row >= to) continue;
            for (int v = 0; v < 3; ++v) Note(row, kPadA + v, bars[bar].pad[v], k.pad, vol);
        }
    }
    void Melody(const std::vector<Tone>& tones, int ch, int ins, int vol, int shift = 0, bool vibrato = false) {
        for (const Tone& t : tones) {
            Note(t.row, ch, t.note + shift, ins, vol);
            // Long notes get a vibrato that sets in after a beat.
            if (vibrato && t.length >= 6)
                for (int r = t.row + 4; r < t.row + t.length; ++r) Fx(r, ch, 'H', r == t.row + 4 ? 0x54 : 0);
        }
    }
    // The melody a little later and softer on another channel: a hand-made echo.
    void EchoOf(const std::vector<Tone>& tones, int ins, int vol, int shift, int delayTicks) {
        for (const Tone& t : tones) {
            int row = t.row + 3;
            Note(row, kEcho, t.note + shift, ins, vol, 'S', 0xD0 | delayTicks);
        }
    }
    // Eighth-note bass with staccato cuts; accents on the beat.
    void BassPulse(const Bars& bars, int vol, int step = 2, int cutTick = 4) {
        for (int row = 0; row < kRows; row += step) {
            const Chord& c = bars[row / 16];
            int note = c.bass + ((row / step) % 4 == 3 ? 12 : 0);
            Note(row, kBass, note, k.bass, row % 4 == 0 ? vol : vol * 3 / 4, 'S', 0xC0 | cutTick);
        }
    }
    void BassLong(const Bars& bars, int vol) {
        for (int bar = 0; bar < 4; ++bar) {
            Note(bar * 16, kBass, bars[bar].bass, k.bass, vol);
            Note(bar * 16 + 10, kBass, bars[bar].bass + 12, k.bass, vol * 2 / 3, 'S', 0xC4);
        }
    }
    // Sixteenth arpeggio over the chord tones an octave up.
    void Arp(const Bars& bars, int ins, int vol, int step = 1, int octave = 12) {
        static constexpr int kOrder[8] = {0, 1, 2, 1, 0, 2, 1, 2};
        for (int row = 0; row < kRows; row += step) {
            const Chord& c = bars[row / 16];
            int note = c.pad[kOrder[(row / step) % 8]] + octave;
            Note(row, kArp, note, ins, row % 4 == 0 ? vol : vol * 3 / 4);
        }
    }
    void Hats(int step, int vol, int offset = 0) {
        for (int row = offset; row < kRows; row += step) Note(row, kHat, 60, k.closedHat, row % 4 == 2 ? vol : vol * 2 / 3);
    }
    void FourOnFloor(int vol) {
        for (int row = 0; row < kRows; row += 4) Note(row, kKick, 60, k.kick, vol);
    }
    void Backbeat(int vol) {
        for (int row = 4; row < kRows; row += 8) Note(row, kSnare, 60, k.snare, vol);
    }
    void Heartbeat(int every, int vol, int from = 0) {
        for (int row = from; row < kRows; row += every) {
            Note(row, kHit, 60, k.heart, vol);
            if (every >= 4) Note(row + 2, kHit, 63, k.heart, vol * 2 / 3);
            else if (row + 1 < kRows) Note(row + 1, kHit, 63, k.heart, vol / 2, 'S', 0xD3);
        }
    }
    // A snare roll: retriggered every few ticks, louder towards its end.
    void Roll(int from, int to, int vol, int ticks) {
        for (int row = from; row < to; ++row) {
            int v = vol * (row - from + 4) / (to - from + 4);
            Note(row, kSnare, 60, k.snare, v, 'Q', ticks);
        }
    }

private:
    ItPattern& p_;
    int offset_ = 0;

public:
    const SoundtrackKit& k;
};

// order 0: the title. Wind rising and falling across the stereo field, a low pad, and a
// bell answering each typed line.
void Title(Score& s) {
    const SoundtrackKit& k = s.k;
    s.Note(0, kAir, 60, k.wind, 44, 'Y', 0x24);
    for (int r = 1; r < kTitleRows; ++r) s.Fx(r, kAir, 'Y', 0);
    s.Note(0, kPadA, D3 + 12, k.pad, 20);
    s.Note(0, kPadB, A3, k.pad, 16);
    for (int r = 8; r < 40; r += 4) s.Fx(r, kPadA, 'D', 0x10);  // swell
    s.Note(48, kPadC, F3 + 12, k.pad, 18);
    s.Note(64, kPadA, D3 + 12, k.pad, 34);
    s.Note(64, kPadB, 58, k.pad, 30);
    s.Note(64, kPadC, 65, k.pad, 30);
    s.Note(96, kPadA, 57, k.pad, 34);
    s.Note(96, kPadB, 61, k.pad, 30);
    s.Note(96, kPadC, 64, k.pad, 30);
    // The typed lines: rows 12, 32, 60 and 92.
    const int lines[4][3] = {{12, D5, 50}, {32, 77, 46}, {60, 81, 58}, {92, 76, 50}};
    for (const auto& l : lines) {
        s.Note(l[0], kArp, l[1], k.bell, l[2], 'X', 0x60);
        s.Note(l[0] + 6, kEcho, l[1] - 12, k.bell, l[2] / 2, 'X', 0xA0);
    }
    s.Note(60, kHit, 48, k.impact, 30);
    // A low bass enters, then a riser that lands on order 1.
    s.Note(104, kBass, D2, k.bass, 30);
    s.Note(120, kBass, D2, k.bass, 38);
    s.Note(120, kFx, 60, k.riser, 40);
    s.Note(128, kChoir, 62, k.choir, 30);
    s.Note(136, kHat, 60, k.closedHat, 20);
    s.Note(140, kHat, 60, k.closedHat, 28);
    s.Note(142, kSnare, 60, k.snare, 24, 'Q', 0x02);
    s.Note(143, kAir, kItNoteOff, 0);
}

// order 1: the logo appears: an impact, the verse chords and a half-time groove.
void LogoIn(Score& s) {
    const SoundtrackKit& k = s.k;
    s.Note(0, kHit, 48, k.impact, 56);
    s.Note(0, kAir, 60, k.crash, 40);
    s.Cut(0, kFx);
    s.Off(0, kChoir);
    s.PadChords(kVerse, 34);
    s.BassPulse(kVerse, 44);
    for (int r : {0, 10, 16, 32, 42, 48}) s.Note(r, kKick, 60, k.kick, r % 16 ? 44 : 56);
    for (int r : {8, 24, 40, 56}) s.Note(r, kSnare, 60, k.snare, 40);
    s.Hats(4, 30, 2);
    s.Melody({{4, 74, 4}, {20, 77, 4}, {36, 72, 4}, {52, 67, 4}}, kArp, k.bell, 36);
}

// order 2: the noise screen flickers on rows 0-47 (a glitch on each of its rows), then
// the picture is switched off: everything stops at row 48 and a tone falls while the
// low-pass closes.
void LogoOut(Score& s) {
    const SoundtrackKit& k = s.k;
    s.PadChords(kAnswer, 30, 0, 48);
    for (int row = 0; row < 48; row += 2) {
        const Chord& c = kAnswer[row / 16];
        s.Note(row, kBass, c.bass + ((row / 2) % 4 == 3 ? 12 : 0), k.bass, row % 4 == 0 ? 46 : 34, 'S', 0xC4);
    }
    for (int r = 0; r < 48; r += 8) s.Note(r, kKick, 60, k.kick, 54);
    for (int r = 4; r < 48; r += 8) s.Note(r, kSnare, 60, k.snare, 42);
    for (int r = 2; r < 48; r += 4) s.Note(r, kHat, 60, k.closedHat, 30);
    for (int row = 0; row < 48; ++row) {
        if (!kNoiseRows[row]) continue;
        bool onset = row == 0 || !kNoiseRows[row - 1];
        int note = 48 + (row * 7) % 25;
        // A fresh burst where the noise comes on; a stutter while it stays.
        if (onset) s.Note(row, kFx, note, k.glitch, 52, 'X', (row * 83) % 256);
        else s.Note(row, kFx, note, k.glitch, 30, 'Q', 0x02);
    }
    // Switch-off: all stop, a whine drops through the low-pass.
    for (int ch : {kKick, kSnare, kHat, kBass, kPadA, kPadB, kPadC, kFx, kArp}) s.Cut(48, ch);
    s.Note(48, kHit, 48, k.impact, 44);
    s.Note(48, kLead, 96, k.sine, 46, 'E', 0x20);
    for (int r = 49; r < 64; ++r) {
        s.Fx(r, kLead, 'E', 0);
        if (r >= 54) s.Vol(r, kLead, 95 + 1);  // and fades on the way down
    }
    s.Note(48, kAir, 72, k.crash, 36, 'E', 0x08);
    for (int r = 50; r < 64; r += 2) s.Vol(r, kAir, 36 - (r - 48) * 2);
    s.Fx(48, kControl, 'S', 0x02);  // low-pass,
    s.Fx(49, kControl, 'S', 0x0E);  // from 15 kHz,
    s.Fx(50, kControl, 'S', 0x05);  // switched on,
    for (int r = 51; r < 64; ++r) s.Fx(r, kControl, 'S', 0x1F);  // closing fast
}

// orders 3-9: the heart.
void Heart(Score& s, int order) {
    const SoundtrackKit& k = s.k;
    if (order == 3) s.Fx(0, kControl, 'S', 0x04);  // the switch-off filter is released
    const int beat[7] = {8, 8, 8, 6, 4, 2, 16};
    int idx = order - 3;
    if (order == 9) {
        // The metaball interlude: the beat falls away to a slow pulse under choir and bells.
        s.Heartbeat(16, 40);
        s.PadChords(kAnswer, 30);
        for (int bar = 0; bar < 4; ++bar) {
            s.Note(bar * 16, kChoir, kAnswer[bar].pad[2] + 12, k.choir, 40, 'R', 0x64);
            for (int r = bar * 16 + 1; r < bar * 16 + 16; ++r) s.Fx(r, kChoir, 'R', 0);
        }
        s.BassLong(kAnswer, 36);
        for (int row = 0; row < kRows; row += 3) {
            const Chord& c = kAnswer[row / 16];
            s.Note(row, kArp, c.pad[(row / 3) % 3] + 24, k.bell, 24 + (row % 2) * 8, 'X', (row * 37) % 256);
        }
        for (int r = 56; r < 64; ++r) s.Note(r, kTom, 48 + (63 - r) * 2, k.tom, 30 + (r - 56) * 4);
        s.Note(48, kFx, 60, k.riser, 28);
        return;
    }
    s.Heartbeat(beat[idx], 56 + idx * 2);
    const Bars& bars = order % 2 ? kVerse : kAnswer;
    s.PadChords(bars, 26 + idx * 3);
    if (order == 3) {
        s.BassLong(bars, 40);
        s.Note(0, kAir, 60, k.wind, 30);
        s.Melody({{8, 74, 4}, {40, 72, 4}}, kArp, k.bell, 30);
        // The pad breathes with the heart.
        for (int r = 0; r < kRows; ++r) s.Fx(r, kPadB, 'R', r == 0 ? 0x38 : 0);
        return;
    }
    s.Off(0, kAir);
    s.BassPulse(bars, 40 + idx * 2);
    s.Arp(bars, k.pluck, 20 + idx * 3, order >= 7 ? 1 : 2);
    if (order >= 4) s.Hats(order >= 6 ? 2 : 4, 26 + idx * 2, 2);
    if (order >= 5) {
        s.Melody(order % 2 ? kThemeA : kThemeB, kLead, k.lead, 30 + idx * 3, order >= 7 ? 0 : -12, true);
        // Slides into the long notes.
        for (const Tone& t : order % 2 ? kThemeA : kThemeB)
            if (t.length >= 8) s.Fx(t.row, kLead, 'G', 0x20);
    }
    if (order >= 6) {
        for (int r = 0; r < kRows; r += order >= 7 ? 4 : 8) s.Note(r, kKick, 60, k.kick, 50);
        s.Backbeat(order >= 7 ? 44 : 36);
        for (int bar = 0; bar < 4; ++bar) s.Note(bar * 16, kChoir, bars[bar].pad[1] + 12, k.choir, 30 + idx * 2);
    }
    if (order == 4) s.Note(0, kHit, 48, k.impact, 40);  // the chain appears
    if (order == 8) {
        s.Note(0, kAir, 60, k.crash, 44);
        s.Note(40, kFx, 60, k.riser, 40);
        s.Roll(56, 64, 48, 0x03);
    }
}

// orders 10-18: the war on television.
void War(Score& s, int order) {
    const SoundtrackKit& k = s.k;
    if (order == 18) {
        // The screen turns to noise and the light dies: everything slides down into a
        // wash of noise that fades with the picture.
        s.Note(0, kHit, 48, k.impact, 60);
        s.Note(0, kAir, 60, k.crash, 50, 'E', 0x04);
        s.Note(0, kPadA, 62, k.pad, 40, 'E', 0x06);
        s.Note(0, kPadB, 65, k.pad, 36, 'E', 0x05);
        s.Note(0, kPadC, 69, k.pad, 36, 'E', 0x07);
        s.Note(0, kBass, D2, k.bass, 44, 'E', 0x03);
        for (int r = 1; r < kRows; ++r)
            for (int ch : {kPadA, kPadB, kPadC, kBass}) s.Fx(r, ch, r < 32 ? 'E' : 'D', r < 32 ? 0 : 0x02);
        s.Note(0, kChoir, 74, k.wind, 64);
        for (int r = 0; r < kRows; r += 2) {
            int note = 40 + (r * 13) % 41;
            if ((r * 7) % 5 < 3) s.Note(r, kFx, note, k.glitch, 50 - r * 3 / 4, 'X', (r * 53) % 256);
            if (r % 8 == 4) s.Note(r, kHat, 72, k.openHat, 40 - r / 2, 'S', 0xD0 | (r % 3));
        }
        for (int r = 8; r < kRows; r += 4) s.Note(r, kAir, 60 - r / 4, k.crash, 50 - r * 3 / 4);
        s.Fx(0, kControl, 'S', 0x02);
        s.Fx(1, kControl, 'S', 0x0E);
        s.Fx(2, kControl, 'S', 0x05);
        for (int r = 16; r < kRows; ++r) s.Fx(r, kControl, 'S', 0x12);  // the picture greys away
        s.Off(60, kChoir);
        return;
    }
    bool missile = order >= 13;
    int lift = order >= 17 ? 2 : order >= 15 ? 1 : 0;  // the missile pushes the key up
    Bars bars = missile ? kMissile : order == 12 ? kAnswer : kMarch;
    for (Chord& c : bars) c = Shift(c, lift);

    // Martial drums: snare and toms on every camera cut, a kick on the bars, rolls between.
    for (int i = 0; i < static_cast<int>(kCutRows.size()); ++i) {
        int r = kCutRows[i];
        bool bar = r % 16 == 0;
        s.Note(r, kSnare, 60, k.fieldDrum, bar ? 58 : 44);
        if (!bar) s.Note(r, kTom, 55 - (r % 16) / 2 + lift, k.tom, 40);
    }
    for (int r = 0; r < kRows; r += 16) s.Note(r, kKick, 60, k.kick, 60);
    for (int r = 4; r < kRows; r += 16) s.Note(r, kSnare, 60, k.fieldDrum, 22, 'Q', 0x03);  // a ghost roll
    for (int r = 6; r < kRows; r += 16) s.Note(r, kKick, 60, k.kick, 46);
    if (order >= 12)
        for (int r = 0; r < kRows; r += 4)
            if (r % 16) s.Note(r, kKick, 60, k.kick, 48);
    // The credits change every 16 rows over orders 10 and 11.
    if (order <= 11)
        for (int r = 0; r < kRows; r += 16) s.Note(r, kAir, 60, k.crash, r ? 26 : 40);
    else
        s.Note(0, kAir, 60, k.crash, 36);

    s.PadChords(bars, missile ? 30 : 28);
    if (missile) {
        // A driving sixteenth pedal.
        for (int r = 0; r < kRows; ++r)
            s.Note(r, kBass, bars[r / 16].bass, k.bass, r % 4 == 0 ? 48 : 30, 'S', 0xC2);
        // A high line that climbs order by order.
        int top = 69 + lift;
        for (int bar = 0; bar < 4; ++bar) {
            s.Note(bar * 16, kLead, top + (bar == 3 ? 1 : 0) - (bar == 1 ? 2 : 0), k.lead, 34);
            s.Note(bar * 16 + 12, kLead, top - 5 + bar, k.lead, 30, 'G', 0x10);
            for (int r = bar * 16 + 4; r < bar * 16 + 12; ++r) s.Fx(r, kLead, 'H', r == bar * 16 + 4 ? 0x64 : 0);
        }
        s.Arp(bars, k.pluck, 22, 2, 24);
        for (int bar = 0; bar < 4; ++bar) s.Note(bar * 16, kChoir, bars[bar].pad[2], k.choir, 36);
        // Rows 60-63: the cameras switch every frame and the music stutters.
        for (int ch : {kPadA, kPadB, kPadC, kChoir, kLead}) s.Cut(60, ch);
        for (int r = 60; r < 64; ++r) {
            s.Note(r, kSnare, 60, k.snare, 40 + (r - 60) * 6, 'Q', 0x01);
            s.Note(r, kFx, 60 + (r - 60) * 3, k.glitch, 48);
            s.Note(r, kBass, bars[3].bass + 12 * (r % 2), k.bass, 50, 'Q', 0x02);
        }
        if (order == 17) s.Note(32, kFx, 60, k.riser, 40);
    } else {
        // A marching ostinato.
        static constexpr int kOstinato[8] = {0, 0, 7, 0, 3, 0, 7, 10};
        for (int r = 0; r < kRows; r += 2)
            s.Note(r, kBass, bars[r / 16].bass + kOstinato[(r / 2) % 8], k.bass, r % 4 == 0 ? 48 : 36, 'S', 0xC3);
        if (order == 10) {
            s.Melody(kThemeA, kChoir, k.choir, 32, -12);
        } else {
            s.Melody(order == 11 ? kThemeA : kThemeB, kLead, k.lead, 34, 0, true);
            s.EchoOf(order == 11 ? kThemeA : kThemeB, k.lead, 14, 0, 3);
            for (int bar = 0; bar < 4; ++bar) s.Note(bar * 16, kChoir, bars[bar].pad[2], k.choir, 30);
        }
    }
}

// orders 19-22: the brain, one event on every row and the brightest sounds of the piece.
void Brain(Score& s, int order) {
    const SoundtrackKit& k = s.k;
    if (order == 19) s.Fx(0, kControl, 'S', 0x04);  // the collapse's low-pass is released
    const Bars& bars = order % 2 ? kBright : kAnswer;
    s.FourOnFloor(46);
    s.Backbeat(46);
    for (int r = 0; r < kRows; ++r) {
        s.Note(r, kHat, r % 4 == 2 ? 72 : 60, r % 4 == 2 ? k.openHat : k.closedHat, r % 2 ? 30 : 42);
        if (r % 4 != 2) s.Fx(r, kHat, 'X', (r * 29) % 256);  // every hit in a new place
    }
    s.Arp(bars, k.pluck, 46, 1, 24);
    for (int r = 0; r < kRows; r += 8) s.Fx(r, kArp, 'P', r % 16 ? 0x04 : 0x40);
    // A syncopated bass that jumps octaves.
    static constexpr int kJumps[8] = {0, 12, 0, 0, 12, 0, 10, 12};
    for (int r = 0; r < kRows; r += 2)
        if (r % 8 != 6) s.Note(r, kBass, bars[r / 16].bass + kJumps[(r / 2) % 8], k.bass, 36, 'S', 0xC3);
    // The lead holds chord roots as minor arpeggios, a fast shimmer.
    for (int bar = 0; bar < 4; ++bar) {
        int root = bars[bar].pad[0] + 12;
        bool major = bars[bar].pad[1] - bars[bar].pad[0] == 4 || bars[bar].pad[2] - bars[bar].pad[1] == 3;
        for (int r = bar * 16; r < bar * 16 + 12; ++r)
            s.Note(r, kLead, r == bar * 16 ? root : kItNoNote, r == bar * 16 ? k.lead : 0, r == bar * 16 ? 30 : -1,
                   'J', major ? 0x47 : 0x37);
        s.Off(bar * 16 + 12, kLead);
    }
    for (int r = 0; r < kRows; r += 2) s.Note(r, kEcho, bars[r / 16].pad[(r / 2) % 3] + 36, k.bell, r % 4 ? 26 : 36, 'S', 0xD2);
    s.PadChords(bars, 26);
    if (order == 21) {
        // A stumble: one row a tick long, the next a tick short.
        s.Fx(46, kFx, 'S', 0x61);
        s.Fx(47, kFx, 'A', 5);
        s.Fx(48, kFx, 'A', 6);
    }
    if (order == 22) {
        // The finale: the brain swells over the last quarter.
        s.Note(32, kFx, 60, k.riser, 48);
        s.Roll(48, 64, 52, 0x02);
        s.Note(48, kAir, 60, k.crash, 50);
        for (int v = 0; v < 3; ++v) s.Note(48, kPadA + v, kDsus.pad[v] + 12, k.pad, 40);
        s.Note(48, kChoir, 81, k.choir, 44);
        for (int r = 48; r < kRows; ++r) s.Fx(r, kChoir, 'D', r == 48 ? 0x20 : 0);
        for (int r = 48; r < kRows; r += 2) s.Note(r, kTom, 48 + (r - 48), k.tom, 36 + (r - 48));
    } else {
        s.Note(0, kAir, 60, k.crash, order == 19 ? 50 : 36);
    }
}

// order 23: the long video: the theme once more over a half-time groove.
void Video(Score& s) {
    const SoundtrackKit& k = s.k;
    s.Note(0, kHit, 48, k.impact, 54);
    s.Note(0, kAir, 60, k.crash, 44);
    for (int r : {0, 10, 32, 42}) s.Note(r, kKick, 60, k.kick, 56);
    for (int r : {16, 48}) s.Note(r, kSnare, 60, k.snare, 48);
    s.Hats(4, 30, 2);
    s.PadChords(kVerse, 32);
    s.BassLong(kVerse, 46);
    s.Melody(kThemeA, kLead, k.lead, 36, 0, true);
    s.EchoOf(kThemeA, k.lead, 16, 0, 3);
    for (int bar = 0; bar < 4; ++bar) s.Note(bar * 16, kChoir, kVerse[bar].pad[2] + 12, k.choir, 28);
    s.Arp(kVerse, k.pluck, 22, 2, 12);
}

// orders 24-25: the close. The teletype types over soft chords and bells; the last order
// holds D minor and fades out.
void Closing(Score& s, int order) {
    const SoundtrackKit& k = s.k;
    if (order == 24) {
        for (int ch : {kLead, kArp, kHat}) s.Off(0, ch);
        s.Fx(0, kControl, 'S', 0x07);  // echo on for the close
        s.PadChords(kAnswer, 28);
        s.BassLong(kAnswer, 34);
        s.Note(0, kAir, 60, k.wind, 26);
        for (int r = 8; r < kRows; r += 16) s.Note(r, kArp, kAnswer[r / 16].pad[2] + 12, k.bell, 26, 'X', (r * 40) % 256);
        for (int r = 0; r < kRows; r += 16) s.Note(r, kHit, 60, k.heart, 34);
        return;
    }
    for (int v = 0; v < 3; ++v) s.Note(0, kPadA + v, kDm.pad[v], k.pad, 36);
    s.Note(0, kBass, D2, k.bass, 40);
    s.Note(0, kChoir, 74, k.choir, 30);
    s.Note(0, kHit, 48, k.impact, 26);
    s.Melody({{8, 81, 8}, {24, 77, 8}, {40, 74, 16}}, kArp, k.bell, 28);
    // Global fade from row 8, two steps a row and then three: near silence by the end.
    for (int r = 8; r < kRows; ++r) s.Fx(r, kFx, 'W', r < 40 ? 0xF2 : 0xF3);
    s.Off(40, kBass);
    s.Off(48, kPadA), s.Off(48, kPadB), s.Off(48, kPadC), s.Off(48, kChoir), s.Off(48, kAir);
    s.Fx(63, kControl, 'S', 0x06);
}

}  // namespace

ItModule SoundtrackModule() {
    ItModule m;
    m.title = "Tenebrix";
    m.speed = 6;
    m.tempo = 110;
    m.globalVolume = 128;
    m.mixVolume = 48;
    const int pans[kChannels] = {32, 30, 40, 28, 32, 32, 18, 32, 46, 28, 36, 24, 32, 32, 44, 32};
    for (int c = 0; c < 64; ++c) {
        m.channelPan[c] = c < kChannels ? static_cast<uint8_t>(pans[c]) : 32 | 0x80;
        m.channelVolume[c] = 64;
    }
    SoundtrackKit kit = AddSoundtrackKit(m);

    for (int order = 0; order < kSoundtrackOrders; ++order) {
        m.patterns.emplace_back(order == 0 ? kTitleRows : order == kClosingOrder ? 2 * kRows : kRows, kChannels);
        m.orders.push_back(static_cast<uint8_t>(order));
        Score s(m.patterns.back(), kit);
        if (order == 0) Title(s);
        else if (order == 1) LogoIn(s);
        else if (order == 2) LogoOut(s);
        else if (order <= 9) Heart(s, order);
        else if (order <= 18) War(s, order);
        else if (order <= 22) Brain(s, order);
        else if (order == 23) Video(s);
        else if (order == kClosingOrder) {
            // Order 24 is twice as long: the closing types its messages up to its row 120.
            Closing(s, order);
            s.StartAt(kRows);
            Closing(s, order);
        } else {
            Closing(s, order);
        }
    }
    return m;
}

std::vector<uint8_t> SoundtrackBytes() { return ItFileBytes(SoundtrackModule()); }

void MakeSoundtrack(ContentSet& set) { set.Add("Files\\Tenebrix.it", SoundtrackBytes()); }

}  // namespace forge
