// tool_compare.cpp -- `compare`: two capture folders frame by frame (the same show drawn by
// two builds or two GL drivers). Prints the largest difference of a colour value, the
// mean difference, the share of identical frames and the frame that differs most.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image.h"
#include "png_file.h"
#include "tool.h"

namespace {

int Fail(const std::string& why) {
    std::fprintf(stderr, "umbravel-tool compare: %s\n", why.c_str());
    return 2;
}

std::vector<std::string> FrameNames(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("frame_", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct FrameDifference {
    int largest = 0;      // of one colour value, 0..255
    double mean = 0.0;    // over every colour value of the frame
};

FrameDifference Difference(const forge::Image& a, const forge::Image& b) {
    FrameDifference d;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const int delta = std::abs(static_cast<int>(a.rgb[i]) - static_cast<int>(b.rgb[i]));
        sum += static_cast<uint64_t>(delta);
        if (delta > d.largest) d.largest = delta;
    }
    d.mean = a.rgb.empty() ? 0.0 : static_cast<double>(sum) / static_cast<double>(a.rgb.size());
    return d;
}

int RunCompare(int argc, char** argv) {
    double frameMeanLimit = 2.0;
    double identicalShare = 0.0;  // percent of the frames that must be equal to the byte
    std::vector<std::string> dirs;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frame-mean") && i + 1 < argc) {
            char* end = nullptr;
            frameMeanLimit = std::strtod(argv[++i], &end);
            if (!end || *end || !(frameMeanLimit >= 0.0)) return Fail("--frame-mean needs a number of 0 or more");
        } else if (!std::strcmp(argv[i], "--identical") && i + 1 < argc) {
            char* end = nullptr;
            identicalShare = std::strtod(argv[++i], &end);
            if (!end || *end || !(identicalShare >= 0.0 && identicalShare <= 100.0))
                return Fail("--identical needs a percentage");
        } else {
            dirs.push_back(argv[i]);
        }
    }
    if (dirs.size() != 2) return Fail("needs two capture folders");
    const std::vector<std::string> names = FrameNames(dirs[0]);
    const std::vector<std::string> other = FrameNames(dirs[1]);
    if (names.empty()) return Fail("no frame_NNNNNN.png in " + dirs[0]);
    if (names != other) {
        std::printf("frames: %zu in %s, %zu in %s: the captures differ in length or naming\n", names.size(),
                    dirs[0].c_str(), other.size(), dirs[1].c_str());
        return 1;
    }
    size_t identical = 0, overLimit = 0;
    int largest = 0;
    double meanSum = 0.0, worstMean = -1.0;
    std::string worst;
    for (const std::string& name : names) {
        forge::Image a, b;
        std::string error;
        if (!forge::ReadPng((std::filesystem::path(dirs[0]) / name).string(), a, &error) ||
            !forge::ReadPng((std::filesystem::path(dirs[1]) / name).string(), b, &error))
            return Fail(name + ": " + error);
        if (a.width != b.width || a.height != b.height) {
            std::printf("%s: %dx%d against %dx%d\n", name.c_str(), a.width, a.height, b.width, b.height);
            return 1;
        }
        const FrameDifference d = Difference(a, b);
        if (d.largest == 0) ++identical;
        if (d.mean > frameMeanLimit) ++overLimit;
        largest = std::max(largest, d.largest);
        meanSum += d.mean;
        if (d.mean > worstMean) worstMean = d.mean, worst = name;
    }
    std::printf("frames: %zu, identical: %zu (%.1f%%), largest difference: %d, mean difference: %.4f, "
                "worst frame: %s (mean %.4f), frames over a mean of %.2f: %zu\n",
                names.size(), identical, 100.0 * static_cast<double>(identical) / static_cast<double>(names.size()),
                largest, meanSum / static_cast<double>(names.size()), worst.c_str(), worstMean, frameMeanLimit,
                overLimit);
    const double share = 100.0 * static_cast<double>(identical) / static_cast<double>(names.size());
    return overLimit == 0 && share >= identicalShare ? 0 : 1;
}

const ToolCommand kCompare("compare", "DIR_A DIR_B [--frame-mean M] [--identical P]: two captures frame by frame; "
                                      "exit 1 when their frames differ in number, a frame's mean difference exceeds "
                                      "M (2) or fewer than P% (0) of the frames are identical",
                           RunCompare);

}  // namespace
