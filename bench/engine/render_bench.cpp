// render_bench.cpp -- the engine's Render against a bare immediate-mode loop drawing the
// same textured, lit triangles with the same GL state, in the same process and window
// size. Prints frames/s, triangles/s and the engine's share of the bare loop's rate.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" ./render_bench [frames]
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/engine.h"
#include "platform/platform.h"

namespace {
constexpr int kWidth = 640, kHeight = 480;
using Clock = std::chrono::steady_clock;

struct Mesh {
    std::vector<Vec3> positions;  // three per triangle
    std::vector<TexCoord> texCoords;
};

// A grid of small triangles over the view at z = -5, every one facing the camera.
Mesh MakeGrid(int triangles) {
    Mesh mesh;
    int columns = 1;
    while (columns * columns * 2 < triangles) ++columns;
    const float cell = 8.0f / static_cast<float>(columns);
    for (int i = 0; i < triangles; ++i) {
        const int quad = i / 2, cx = quad % columns, cy = quad / columns;
        const float x = -4.0f + cx * cell, y = -3.0f + cy * cell * 0.75f, h = cell * 0.75f;
        if (i % 2 == 0) {
            mesh.positions.insert(mesh.positions.end(), {{x, y, -5}, {x + cell, y, -5}, {x, y + h, -5}});
            mesh.texCoords.insert(mesh.texCoords.end(), {{0, 0}, {64, 0}, {0, 64}});
        } else {
            mesh.positions.insert(mesh.positions.end(), {{x + cell, y, -5}, {x + cell, y + h, -5}, {x, y + h, -5}});
            mesh.texCoords.insert(mesh.texCoords.end(), {{64, 0}, {64, 64}, {0, 64}});
        }
    }
    return mesh;
}

std::vector<uint8_t> MakeTexturePixels() {
    std::vector<uint8_t> pixels(64 * 64 * 4);
    for (int i = 0; i < 64 * 64; ++i) {
        pixels[i * 4 + 0] = static_cast<uint8_t>(i * 7);
        pixels[i * 4 + 1] = static_cast<uint8_t>(i >> 4);
        pixels[i * 4 + 2] = 200;
        pixels[i * 4 + 3] = 255;
    }
    return pixels;
}

double EngineRate(GLEngine* engine, const Mesh& mesh, int frames, std::vector<uint8_t>& pixels) {
    const int count = static_cast<int>(mesh.positions.size() / 3);
    Object3D* object = engine->NewObject(0, 1, count, count * 3);
    Texture* texture = engine->NewTexture();
    const int32_t size[2] = {64, 64};
    texture->SetImage(size, pixels.data(), 1);
    for (int i = 0; i < count * 3; ++i) {
        object->GetVertex(i)->SetPosition(mesh.positions[i]);
        object->GetVertex(i)->SetNormal({0, 0, 1});
        object->GetVertex(i)->Enable();
    }
    for (int t = 0; t < count; ++t) {
        Triangle* tri = object->GetTriangle(t);
        for (int c = 0; c < 3; ++c) {
            tri->SetVertex(c, object->GetVertex(t * 3 + c));
            tri->SetTexCoord(c, mesh.texCoords[t * 3 + c]);
        }
        tri->SetTexture(texture);
        tri->Enable();
    }
    object->GetLight(0)->SetType(kLightDirectional);
    object->GetLight(0)->Enable();
    object->Enable();
    Scene* scene = engine->NewScene(1, 1);
    scene->GetCamera(0)->Enable();
    scene->SetActiveCamera(scene->GetCamera(0));
    scene->AddObject(object);
    engine->Render(scene);  // uploads the texture
    const auto start = Clock::now();
    for (int f = 0; f < frames; ++f) engine->Render(scene);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    engine->DeleteScene(scene);
    engine->DeleteObject(object);
    engine->DeleteTexture(texture);
    return frames / seconds;
}

// The same frame drawn by hand: fixed state as the engine sets it, one light, one
// texture, one batch.
double BareRate(const Mesh& mesh, int frames, std::vector<uint8_t>& pixels) {
    double rate = 0.0;
    std::thread thread([&] {
        std::string error;
        platform::Window* window = platform::CreateRenderWindow("bare", kWidth, kHeight, 32, nullptr, &error);
        if (!window || !platform::CreateGLContext(window, &error) || !platform::MakeGLContextCurrent(window)) {
            std::fprintf(stderr, "bare loop: no window (%s)\n", error.c_str());
            return;
        }
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_LIGHTING);
        const float direction[4] = {0, 0, 1, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glEnable(GL_LIGHT0);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        for (int level = 0, s = 64; s >= 1; ++level, s /= 2)
            glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, s, s, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1.0, 1.0, -0.6702, 0.6702, 1.0, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const size_t corners = mesh.positions.size();
        auto drawFrame = [&] {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glBegin(GL_TRIANGLES);
            for (size_t i = 0; i < corners; ++i) {
                glTexCoord2f(mesh.texCoords[i].u / 64.0f, mesh.texCoords[i].v / 64.0f);
                glNormal3f(0, 0, 1);
                glVertex3f(mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z);
            }
            glEnd();
            glFlush();
            platform::SwapWindowBuffers(window);
        };
        drawFrame();
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f) drawFrame();
        rate = frames / std::chrono::duration<double>(Clock::now() - start).count();
        platform::ReleaseGLContext(window);
        platform::DestroyRenderWindow(window);
    });
    thread.join();
    return rate;
}
}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 40;
    platform::Options options;
    options.headless = true;
    options.windowed = true;
    std::string error;
    if (!platform::Startup(options, &error)) {
        std::fprintf(stderr, "render_bench: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> pixels = MakeTexturePixels();
    std::printf("%-10s %12s %14s %12s %14s %8s\n", "triangles", "engine f/s", "engine tri/s", "bare f/s",
                "bare tri/s", "share");
    // The machine may be shared: the two loops take turns, three rounds each, and the best
    // round of each counts.
    for (int triangles : {2000, 10000, 50000}) {
        const Mesh mesh = MakeGrid(triangles);
        double engineRate = 0.0, bareRate = 0.0;
        for (int round = 0; round < 3; ++round) {
            GLEngine* engine = CreateGLEngine();
            DisplayDevice device;
            DisplayMode mode{kWidth, kHeight, 32};
            if (!engine->Init(nullptr, &device, &mode)) {
                std::fprintf(stderr, "render_bench: %s\n", engine->GetErrorText());
                return 1;
            }
            engineRate = std::max(engineRate, EngineRate(engine, mesh, frames, pixels));
            engine->Kill();
            delete engine;
            bareRate = std::max(bareRate, BareRate(mesh, frames, pixels));
        }
        std::printf("%-10d %12.1f %14.0f %12.1f %14.0f %7.1f%%\n", triangles, engineRate, engineRate * triangles,
                    bareRate, bareRate * triangles, 100.0 * engineRate / bareRate);
    }
    platform::Shutdown();
    return 0;
}
