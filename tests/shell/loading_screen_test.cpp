// The loading bar: its columns at each step, that it only grows, and that a small
// picture keeps it inside.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/demo_state.h"
#include "shell/loading_screen.h"
#include "started_engine.h"

namespace {
bool IsBar(const std::vector<uint8_t>& p, int width, int x, int y) {
    const uint8_t* q = &p[(static_cast<size_t>(y) * width + x) * 4];
    return q[0] == 190 && q[1] == 150 && q[2] == 210 && q[3] == 255;
}
}  // namespace

TEST(LoadingBar, ColumnsAtTheSteps) {
    EXPECT_EQ(LoadingBarRight(0, 22), 15);
    EXPECT_EQ(LoadingBarRight(11, 22), 127);
    EXPECT_EQ(LoadingBarRight(22, 22), 240);
    std::vector<uint8_t> picture(256 * 256 * 4, 0);
    PaintLoadingBar(picture.data(), 256, 256, 0, 22);
    EXPECT_TRUE(IsBar(picture, 256, 15, 166));
    EXPECT_FALSE(IsBar(picture, 256, 16, 166));
    EXPECT_FALSE(IsBar(picture, 256, 15, 165));
    EXPECT_TRUE(IsBar(picture, 256, 15, 203));
    EXPECT_FALSE(IsBar(picture, 256, 15, 204));
}

TEST(LoadingBar, NeverShrinks) {
    std::vector<uint8_t> picture(256 * 256 * 4, 0);
    PaintLoadingBar(picture.data(), 256, 256, 22, 22);
    PaintLoadingBar(picture.data(), 256, 256, 11, 22);
    EXPECT_TRUE(IsBar(picture, 256, 240, 180));
    EXPECT_FALSE(IsBar(picture, 256, 241, 180));
    EXPECT_FALSE(IsBar(picture, 256, 14, 180));
}

TEST(LoadingBar, ASmallPictureGetsThePartThatFits) {
    // 100 x 180: columns 15..99 and rows 166..179; nothing is written past the picture
    // (the sanitizer builds would catch it).
    std::vector<uint8_t> picture(100 * 180 * 4, 0);
    PaintLoadingBar(picture.data(), 100, 180, 22, 22);
    EXPECT_TRUE(IsBar(picture, 100, 99, 179));
    EXPECT_TRUE(IsBar(picture, 100, 15, 166));
    std::vector<uint8_t> tiny(10 * 10 * 4, 0);
    PaintLoadingBar(tiny.data(), 10, 10, 22, 22);
    for (uint8_t b : tiny) EXPECT_EQ(b, 0);
}

namespace {
// Records handed out short of memory: a scene without cameras, an object without lights.
class SceneWithoutCamera : public StartedEngine {
public:
    using StartedEngine::NewScene;
    Scene* NewScene(int32_t, int32_t objectSlots) override { return EngineRecords::NewScene(0, objectSlots); }
};
class ObjectWithoutLight : public StartedEngine {
public:
    using StartedEngine::NewObject;
    Object3D* NewObject(int32_t children, int32_t, int32_t triangles, int32_t vertices) override {
        return EngineRecords::NewObject(children, 0, triangles, vertices);
    }
};
}  // namespace

TEST(LoadingScreenDeathTest, RecordsWithoutTheirPartsEndTheProgram) {
    EXPECT_EXIT(
        {
            StartHeadless();
            demo.engine = new SceneWithoutCamera;
            demo.startedFlags = kStartedEngine;
            LoadingScreenInit();
        },
        ::testing::ExitedWithCode(1), "Vorn Umbravel Demo Error: Could not create new scene\n$");
    EXPECT_EXIT(
        {
            StartHeadless();
            demo.engine = new ObjectWithoutLight;
            demo.startedFlags = kStartedEngine;
            LoadingScreenInit();
        },
        ::testing::ExitedWithCode(1), "Vorn Umbravel Demo Error: Could not create new object\n$");
}
