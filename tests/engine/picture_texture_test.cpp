// Picture textures: both alpha rules, the failures that give null, and the pixel blocks
// that go at exit.
#include "engine/core/picture_texture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "filestore/filestore.h"

extern const EmbeddedArchive gTestArchive;

namespace {

// An engine that only makes textures.
class TextureEngine final : public GLEngine {
public:
    bool refuse = false;
    std::vector<Texture*> made;
    ~TextureEngine() override {
        for (Texture* t : made) delete t;
    }
    Texture* NewTexture() override {
        if (refuse) return nullptr;
        made.push_back(new Texture);
        return made.back();
    }
    int EnumerateDevices(DisplayDevice**, int32_t*) override { return 0; }
    int Init(InstanceHandle, const DisplayDevice*, const DisplayMode*) override { return 0; }
    int Render(Scene*) override { return 0; }
    int Kill() override { return 0; }
    void SetApplicationName(const char*) override {}
    WindowHandle GetWindow() override { return nullptr; }
    void SetMessageHandler(MessageHandler) override {}
    const char* GetErrorText() override { return ""; }
    Texture* NewTexture(const Texture&) override { return nullptr; }
    void DeleteTexture(Texture*) override {}
    Surface* NewSurface(const Surface&) override { return nullptr; }
    Surface* NewSurface() override { return nullptr; }
    void DeleteSurface(Surface*) override {}
    Vertex* NewVertex(const Vertex&) override { return nullptr; }
    Vertex* NewVertex() override { return nullptr; }
    void DeleteVertex(Vertex*) override {}
    Triangle* NewTriangle(const Triangle&) override { return nullptr; }
    Triangle* NewTriangle() override { return nullptr; }
    void DeleteTriangle(Triangle*) override {}
    Light* NewLight(const Light&) override { return nullptr; }
    Light* NewLight() override { return nullptr; }
    void DeleteLight(Light*) override {}
    Camera* NewCamera(const Camera&) override { return nullptr; }
    Camera* NewCamera() override { return nullptr; }
    void DeleteCamera(Camera*) override {}
    Object3D* NewObject(const Object3D&) override { return nullptr; }
    Object3D* NewObject(int32_t, int32_t, int32_t, int32_t) override { return nullptr; }
    void DeleteObject(Object3D*) override {}
    Scene* NewScene(const Scene&) override { return nullptr; }
    Scene* NewScene(int32_t, int32_t) override { return nullptr; }
    void DeleteScene(Scene*) override {}
    void StartProfiling() override {}
    void StopProfiling() override {}
    float GetPolygonsPerSecond() override { return 0; }
    float GetFramesPerSecond() override { return 0; }
};

class PictureTexture : public ::testing::Test {
protected:
    void SetUp() override { SetEmbeddedArchive(&gTestArchive); }
    void TearDown() override {
        SetEmbeddedArchive(nullptr);
        SetPictureTextureEngine(nullptr);
    }
    TextureEngine engine;
};

}  // namespace

TEST_F(PictureTexture, AlphaFromBrightnessOrConstant) {
    // LogoW1.tga, top row first: (100,100,100) (200,0,0) (70,60,50) / (0,0,0) (255,255,255) (30,20,10).
    Texture* t = MakeTgaTexture(engine, "LogoW1.tga", kAlphaFromBrightness);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->width, 3);
    ASSERT_EQ(t->height, 2);
    EXPECT_EQ(t->mipmap, 0);
    const uint8_t expected[] = {100, 100, 100, 255, 200, 0, 0, 200, 70, 60, 50, 180,
                                0,   0,   0,   0,   255, 255, 255, 255, 30, 20, 10, 60};
    EXPECT_EQ(std::vector<uint8_t>(t->pixels, t->pixels + 24), std::vector<uint8_t>(expected, expected + 24));

    for (int32_t alpha : {255, 0, 0x1FF}) {
        Texture* c = MakeTgaTexture(engine, "LogoW1.tga", alpha);
        ASSERT_NE(c, nullptr);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(c->pixels[i * 4 + 3], alpha & 0xFF);
        EXPECT_EQ(c->pixels[4], 200);
    }

    SetPictureTextureEngine(&engine);
    Texture* j = MakeJpegTexture("Video\\EH\\EH000.JPG", 128);
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->width, 24);
    EXPECT_EQ(j->height, 16);
    EXPECT_EQ(j->pixels[3], 128);
}

TEST_F(PictureTexture, FailuresGiveNull) {
    CodecLogSetSink(nullptr);
    EXPECT_EQ(MakeJpegTexture(engine, "Missing.jpg", 255), nullptr);
    EXPECT_EQ(MakeJpegTexture(engine, "LogoW1.tga", 255), nullptr) << "the JPEG decoder refuses a TGA";
    EXPECT_EQ(MakeTgaTexture(engine, "Video\\EH\\EH000.JPG", 255), nullptr);
    EXPECT_EQ(MakeTgaTexture("LogoW1.tga", 255), nullptr) << "no engine set";
    EXPECT_TRUE(engine.made.empty()) << "a picture that did not load left a texture behind";
    engine.refuse = true;
    EXPECT_EQ(MakeTgaTexture(engine, "LogoW1.tga", 255), nullptr);
}

// The blocks belong to this unit, not to the textures: every one handed out is freed once,
// and a failure hands none out.
TEST_F(PictureTexture, PixelBlocksAreFreedOnceAtExit) {
    FreePictureBlocks();  // what earlier tests made
    CodecLogSetSink(nullptr);
    Texture* a = MakeTgaTexture(engine, "LogoW1.tga", 255);
    Texture* b = MakeJpegTexture(engine, "Video\\EH\\EH000.JPG", 255);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a->pixels, b->pixels);
    EXPECT_EQ(MakeJpegTexture(engine, "Missing.jpg", 255), nullptr);
    engine.refuse = true;
    EXPECT_EQ(MakeTgaTexture(engine, "LogoW1.tga", 255), nullptr);
    EXPECT_EQ(FreePictureBlocks(), 2);
    EXPECT_EQ(FreePictureBlocks(), 0) << "a block freed twice";
    engine.refuse = false;
    ASSERT_NE(MakeTgaTexture(engine, "LogoW1.tga", 0), nullptr);
    EXPECT_EQ(FreePictureBlocks(), 1);
}
