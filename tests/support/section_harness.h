// section_harness.h -- runs a section of the show outside the show: the capture platform
// and the engine at a small size, and a music position that steps a fixed number of rows
// with every drawn frame (orders of a fixed length), so a test decides where the music
// stands and reads every frame that was drawn.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "platform/platform.h"
#include "shell/demo_state.h"
#include "shell/random.h"
#include "sound/vss_records.h"
#include "support/capture_platform.h"

class SectionHarness {
public:
    struct FrameInfo {
        int order, row;       // the music position the frame was drawn at
        double meanBrightness;  // of all pixels, 0..255
        std::vector<uint8_t> rgb;  // kept only when keepPixels is set
    };

    // Starts once per process; every test of the process shares the platform.
    static bool Start(int width, int height, std::string* error) {
        static bool started = false;
        if (!started) {
            if (!StartCapturePlatform("umbravel_section_test", width, height, error)) return false;
            demo.engine = CreateGLEngine();
            DisplayDevice device;
            DisplayMode mode{width, height, 32};
            if (!demo.engine->Init(nullptr, &device, &mode)) {
                *error = demo.engine->GetErrorText();
                return false;
            }
            demo.startedFlags |= kStartedEngine;
            SetPictureTextureEngine(demo.engine);
            SetObjectFileOpener(LoadFileCopy);
            demo.module = new VssModule();
            demo.timerFrequency = platform::CounterFrequency();
            platform::QueryCounter(&demo.timerStart);
            platform::SetCaptureFrameHook(OnFrame, nullptr);
            started = true;
        }
        SeedRandom(17);
        return true;
    }

    // The music stands at (order, row) and steps one row every `framesPerRow` drawn
    // frames, with orders of `rowsPerOrder` rows. (At 30 frames per second, 4 frames per
    // row is close to the show's 0.136 s per row.)
    static void SetMusic(int order, int row, int framesPerRow, int rowsPerOrder = 64) {
        std::lock_guard<std::mutex> lock(Mutex());
        demo.module->currentOrder.store(order);
        demo.module->currentRow.store(row);
        State().framesPerRow = framesPerRow;
        State().frameInRow = 0;
        State().rowsPerOrder = rowsPerOrder;
        State().frames.clear();
    }

    static void KeepPixels(bool keep) { State().keepPixels = keep; }

    static std::vector<FrameInfo> Frames() {
        std::lock_guard<std::mutex> lock(Mutex());
        return State().frames;
    }

private:
    struct Shared {
        int framesPerRow = 0, frameInRow = 0, rowsPerOrder = 64;
        bool keepPixels = false;
        std::vector<FrameInfo> frames;
    };
    static Shared& State() {
        static Shared shared;
        return shared;
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }

    // Render-window thread, once per drawn frame, while the main thread waits in Render.
    static void OnFrame(void*, uint64_t) {
        std::vector<uint8_t> rgb;
        int w = 0, h = 0;
        platform::LastCapturedFrame(&rgb, &w, &h);
        std::lock_guard<std::mutex> lock(Mutex());
        Shared& s = State();
        double sum = 0;
        for (uint8_t b : rgb) sum += b;
        FrameInfo info{demo.module->currentOrder.load(), demo.module->currentRow.load(),
                       rgb.empty() ? 0.0 : sum / static_cast<double>(rgb.size()), {}};
        if (s.keepPixels) info.rgb = std::move(rgb);
        s.frames.push_back(std::move(info));
        if (s.framesPerRow <= 0 || ++s.frameInRow < s.framesPerRow) return;
        s.frameInRow = 0;
        int row = demo.module->currentRow.load() + 1;
        int order = demo.module->currentOrder.load();
        if (row >= s.rowsPerOrder) row = 0, ++order;
        demo.module->currentRow.store(row);
        demo.module->currentOrder.store(order);
    }
};
