// it_writer.h -- an Impulse Tracker module in memory and its writer. The module is always
// written in instrument mode with linear slides and new effects, made with and for the
// 2.14 format, every sample compressed. Patterns are packed with masks and last-value
// memories that start afresh in every pattern, so any reader can unpack them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_sink.h"

namespace forge {

// Pattern note values besides 0..119 (C-0 .. B-9; 60 is C-5).
constexpr uint8_t kItNoteOff = 255;
constexpr uint8_t kItNoteCut = 254;
constexpr uint8_t kItNoteFade = 246;
constexpr uint8_t kItNoNote = 253;  // an empty note field; never written

struct ItEnvelopeNode {
    int tick = 0;
    int value = 0;  // volume 0..64, pan and pitch -32..32
};

struct ItEnvelope {
    bool on = false;
    bool loop = false;
    bool sustain = false;
    int loopBegin = 0, loopEnd = 0;        // node numbers
    int sustainBegin = 0, sustainEnd = 0;  // node numbers
    std::vector<ItEnvelopeNode> nodes;     // at most 25, ticks rising
};

// New note actions and duplicate checks as stored in the instrument.
enum class ItNna : uint8_t { Cut = 0, Continue = 1, NoteOff = 2, NoteFade = 3 };
enum class ItDct : uint8_t { Off = 0, Note = 1, Sample = 2, Instrument = 3 };
enum class ItDca : uint8_t { Cut = 0, NoteOff = 1, NoteFade = 2 };

struct ItInstrument {
    std::string name;
    ItNna nna = ItNna::Cut;
    ItDct dct = ItDct::Off;
    ItDca dca = ItDca::Cut;
    int fadeOut = 0;             // 0..256: taken from a fade volume of 1024 every tick
    int pitchPanSeparation = 0;  // -32..32
    int pitchPanCentre = 60;
    int globalVolume = 128;      // 0..128
    int defaultPan = -1;         // 0..64, or -1 for none
    int randomVolume = 0;        // 0..100 percent
    int randomPan = 0;           // 0..64
    // Note played and sample (1-based, 0 none) for every key 0..119.
    std::array<uint8_t, 120> keyNote{};
    std::array<uint8_t, 120> keySample{};
    ItEnvelope volume, pan, pitch;

    // Every key plays itself on the given sample.
    void MapAll(int sample);
    // Keys lo..hi play themselves on the given sample.
    void MapRange(int lo, int hi, int sample);
};

struct ItSample {
    std::string name;
    int globalVolume = 64;   // 0..64
    int defaultVolume = 64;  // 0..64
    int defaultPan = -1;     // 0..64, or -1 for none
    int c5Speed = 22050;
    bool sixteenBit = true;
    std::vector<int16_t> data;  // 8-bit samples hold -128..127
    bool loop = false, pingPong = false;
    int loopBegin = 0, loopEnd = 0;
    bool sustainLoop = false, sustainPingPong = false;
    int sustainBegin = 0, sustainEnd = 0;
    int vibratoSpeed = 0, vibratoDepth = 0, vibratoRate = 0, vibratoWave = 0;
};

// One cell of a pattern; fields that are absent are left as they are.
struct ItCell {
    uint8_t note = kItNoNote;
    uint8_t instrument = 0;  // 1-based, 0 none
    int16_t volume = -1;     // volume column 0..212, -1 none
    uint8_t effect = 0;      // 1..26 for A..Z, 0 none
    uint8_t param = 0;

    bool Empty() const { return note == kItNoNote && instrument == 0 && volume < 0 && effect == 0; }
};

class ItPattern {
public:
    ItPattern(int rows, int channels) : rows_(rows), channels_(channels), cells_(static_cast<size_t>(rows) * channels) {}
    int Rows() const { return rows_; }
    int Channels() const { return channels_; }
    ItCell& At(int row, int channel) { return cells_[static_cast<size_t>(row) * channels_ + channel]; }
    const ItCell& At(int row, int channel) const { return cells_[static_cast<size_t>(row) * channels_ + channel]; }

private:
    int rows_, channels_;
    std::vector<ItCell> cells_;
};

struct ItModule {
    std::string title;
    int globalVolume = 128;  // 0..128
    int mixVolume = 48;      // 0..128
    int speed = 6;
    int tempo = 125;
    int separation = 128;
    std::array<uint8_t, 64> channelPan{};     // 0..64, +128 disabled
    std::array<uint8_t, 64> channelVolume{};  // 0..64
    std::vector<uint8_t> orders;              // pattern numbers; the writer appends the end marker
    std::vector<ItInstrument> instruments;
    std::vector<ItSample> samples;
    std::vector<ItPattern> patterns;

    ItModule();
};

// Effect letters as pattern values.
constexpr uint8_t ItEffect(char letter) { return static_cast<uint8_t>(letter - 'A' + 1); }

// The packed form of one pattern (without its 8-byte header).
std::vector<uint8_t> PackItPattern(const ItPattern& pattern);

// The whole file. Throws std::invalid_argument when the module breaks the format's limits
// (counts, envelope nodes, loop points, values out of range).
void WriteIt(ByteSink& sink, const ItModule& module);
std::vector<uint8_t> ItFileBytes(const ItModule& module);

}  // namespace forge
