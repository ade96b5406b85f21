// brain_section.cpp -- the brain section: a beating, turning brain in front of the infant
// picture, with a translucent copy that changes its map picture every row, ten pulsing
// spikes, flash paths running over its top, three nested gyros beside it and a sad
// picture sliding round the screen in four legs an order. In the last quarter of order
// 22 the brain swells and glides to the centre; the section ends at order 23.
#include <cmath>
#include <cstdio>

#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "overlay/overlay.h"
#include "sections/brain_internal.h"
#include "sections/music_position.h"
#include "sections/sections.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "shell/random.h"
#include "sound/vss_records.h"

namespace {
BrainParts parts;

constexpr int kEndOrder = 23;
constexpr int kFinaleOrder = 22;
constexpr float kQuarterTurn = 1.5707964f;

Object3D* LoadObject(const char* name, int32_t children, const char* message) {
    Object3D* object = nullptr;
    if (!LoadLightWaveObject(demo.engine, &object, name, 0, children)) Quit(message);
    return object;
}

Texture* Picture(const char* name, int32_t alpha, const char* message) {
    Texture* texture = MakeJpegTexture(name, alpha);
    if (!texture) Quit(message);
    return texture;
}

void SetOverlaySizeOf(const Texture* texture) {
    int32_t size[2];
    texture->GetSize(size);
    SetOverlaySize(size);
}

void SetTextureOfAll(Object3D* object, Texture* texture) {
    for (int32_t i = 0; i < object->GetTriangleCapacity(); ++i) object->GetTriangle(i)->SetTexture(texture);
}

// Triangles first..last-1 of the path get the flash picture.
void LightPath(const FlashPath& path, int first, int last) {
    for (int i = first; i < last && i < path.count; ++i)
        parts.brain->GetTriangle(path.triangles[i])->SetTexture(parts.flashTexture);
}

// The first `lit` triangles of the path get back the picture they were loaded with.
void ClearPath(const FlashPath& path, int lit) {
    for (int i = 0; i < lit && i < path.count; ++i) {
        const int32_t t = path.triangles[i];
        parts.brain->GetTriangle(t)->SetTexture(parts.referenceBrain->GetTriangle(t)->GetTexture());
    }
}
}  // namespace

const BrainParts& GetBrainParts() { return parts; }

void BrainInit() {
    GLEngine* engine = demo.engine;
    Scene* scene = parts.scene = engine->NewScene(1, 6);
    if (!scene) Quit("Could not create new scene");
    Camera* camera = scene->GetCamera(0);
    camera->SetClipPlanes(1.0f, 50.0f);
    camera->Enable();
    scene->SetActiveCamera(camera);

    Texture* infant = Picture("Infant.jpg", 255, "Could not texturise infant JPG");
    SetOverlaySizeOf(infant);
    Object3D* backdrop = CreateOverlayQuad(engine, infant, nullptr);
    backdrop->Enable();
    scene->AddObject(backdrop);
    PlaceOverlay(backdrop, scene->GetActiveCamera(), kOverlayBackground);

    Object3D** gyros = parts.gyros;
    gyros[0] = LoadObject("Torus1.lwo", 1, "Could not load gyro (1) object");
    gyros[0]->SetPosition({7.0f, -4.0f, -10.0f});
    gyros[0]->Enable();
    scene->AddObject(gyros[0]);
    gyros[1] = LoadObject("Torus2.lwo", 1, "Could not load gyro (2) object");
    gyros[1]->Enable();
    gyros[0]->AddChild(gyros[1]);
    gyros[2] = LoadObject("Torus3.lwo", 0, "Could not load gyro (3) object");
    gyros[2]->Enable();
    gyros[1]->AddChild(gyros[2]);

    // Three loads of one file, so that their triangles correspond one to one.
    SetObjectFileOpener(LoadFileCopy);
    SetPolygonWinding(1);
    parts.brain = LoadObject("Brain.lwo", 10, "Could not load brain object");
    parts.brain->Enable();
    scene->AddObject(parts.brain);
    parts.mapBrain = LoadObject("Brain.lwo", 0, "Could not load brain object");
    parts.mapBrain->Enable();
    scene->AddObject(parts.mapBrain);
    parts.referenceBrain = LoadObject("Brain.lwo", 0, "Could not load brain object");
    SetPolygonWinding(0);

    Surface* spikeSurface = parts.spikeSurface = engine->NewSurface();
    if (!spikeSurface) Quit("Could not create new surface");
    spikeSurface->SetAmbient(Colour(255, 255, 255, 128));
    spikeSurface->SetDiffuse(spikeSurface->GetAmbient());

    Object3D* cone = parts.spikes[0] = LoadObject("Cone.lwo", 0, "Could not load cone object");
    cone->Scale(5.0f, 1, 0, 1);
    cone->Scale(20.0f, 0, 1, 0);
    cone->Enable();
    parts.brain->AddChild(cone);
    for (int32_t i = 0; i < cone->GetTriangleCapacity(); ++i) cone->GetTriangle(i)->SetSurface(spikeSurface);
    for (int k = 1; k < 10; ++k) {
        Object3D* copy = parts.spikes[k] = engine->NewObject(*cone);
        if (!copy) Quit("Can not duplicate cone object");
        copy->Enable();
        parts.brain->AddChild(copy);
    }
    for (Vec3& direction : parts.spikeDirections) {
        float r[3];
        for (float& value : r) value = static_cast<float>(Random()) * 2.0f * 0.000030518509f - 1.0f;
        direction = {r[2], r[1], r[0]};
    }

    Object3D* light = engine->NewObject(0, 1, 0, 0);
    if (!light) Quit("Could not create new object");
    light->GetLight(0)->SetType(kLightDirectional);
    light->GetLight(0)->Enable();
    light->Enable();
    scene->AddObject(light);

    for (int i = 0; i < 18; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Sad%02d.jpg", i + 1);
        parts.sadPictures[i] = Picture(name, 128, "Could not texturise sad picture JPG");
    }
    SetOverlaySizeOf(parts.sadPictures[0]);
    Object3D* sad = parts.sadOverlay = CreateOverlayQuad(engine, parts.sadPictures[0], nullptr);
    sad->Enable();
    scene->AddObject(sad);
    PlaceOverlay(sad, scene->GetActiveCamera(), kOverlayForeground);
    sad->Scale(0.5f, 1, 1, 1);

    parts.flashTexture = Picture("BrainF.jpg", 255, "Could not texturise brain flash JPG");
    for (int i = 0; i < 3; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "BrainQ%01d.jpg", i + 1);
        parts.mapTextures[i] = Picture(name, kAlphaFromBrightness, "Could not texturise brain map JPG");
    }

    if (!MakeBrainAngles(*parts.brain)) Quit("Could not allocate memory for brain angles");
    MakeFlashPaths(parts.paths);
    // Uploaded while loading, not on the section's first frame (a failure leaves it to that frame).
    demo.engine->PrepareScene(parts.scene);
}

void BrainRun() {
    Object3D* brain = parts.brain;
    Object3D* mapBrain = parts.mapBrain;
    const int startOrder = ReadMusicPosition().order;
    const float t0 = GetTime();
    int quarter = -1, mapChoice = -1, lastRow = 0, lastSadPicture = 0;
    float quarterStart = 0.0f;
    int path = 0, lit = 0;
    float pathStart = 0.0f;
    // Where the brain would stand at the start, should the section begin in the finale.
    Vec3 storedPosition(-2.7f, 0.0f, -6.5f);
    float phase = 0.0f;

    // One read of the music per frame: the loop's end, the finale, the pictures and the map
    // follow the same order and row.
    for (MusicPosition music = ReadMusicPosition(); music.order < kEndOrder; music = ReadMusicPosition()) {
        if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
        const int currentOrder = music.order, currentRow = music.row;
        const float t = GetTime() - t0;
        const float p = OrderProgress(t, currentOrder - startOrder);

        if (currentOrder == kFinaleOrder && p > 0.75f) {
            // No new beat phase here: the spikes' phase keeps stepping a quarter turn a frame.
            const BrainPose pose = FinalePose(p, storedPosition);
            brain->SetPosition(pose.position);
            brain->Scale(pose.brainScale, 1, 1, 0);
            mapBrain->Scale(pose.mapScale, 1, 1, 0);
        } else {
            brain->SetDirection({2.0f * std::sin(t), 3.0f + 2.8f * std::sin(0.5f * t), std::cos(t) - 1.2f});
            storedPosition = {-2.7f, std::sin(0.4f * t), -6.5f};
            brain->SetPosition(storedPosition);
            const float s = BeatPhase(t);
            brain->Scale(BeatScale(s), 1, 1, 1);
            mapBrain->SetDirection(brain->GetDirection());
            mapBrain->SetPosition(brain->GetPosition());
            // The copy beats a quarter turn behind.
            mapBrain->Scale(BeatScale(s + kQuarterTurn), 1, 1, 1);
            phase = s + kQuarterTurn;
        }

        // The spikes pulse half a turn from the brain's beat.
        phase += kQuarterTurn;
        const uint8_t alpha = SpikeAlpha(phase);
        parts.spikeSurface->SetAmbient(Colour(255, 255, 255, alpha));
        parts.spikeSurface->SetDiffuse(parts.spikeSurface->GetAmbient());
        for (int k = 0; k < 10; ++k) {
            parts.spikes[k]->SetUp(brain->GetDirection());
            parts.spikes[k]->SetDirection(parts.spikeDirections[k]);
        }

        if (currentRow != lastRow) {
            lastRow = currentRow;
            lastSadPicture = NextSadPicture(lastSadPicture);
            for (int i = 0; i < 2; ++i) parts.sadOverlay->GetTriangle(i)->SetTexture(parts.sadPictures[lastSadPicture]);
        }
        const int q = OrderQuarter(p);
        if (q != quarter) {
            quarter = q;
            quarterStart = t;
        }
        parts.sadOverlay->SetPosition(SadPicturePosition(quarter, t - quarterStart));

        const float a = 2.1818182f * t;
        parts.gyros[0]->SetDirection({std::sin(a), 0.0f, std::cos(a)});
        parts.gyros[1]->SetDirection({0.0f, std::sin(a), std::cos(a)});
        parts.gyros[2]->SetDirection({std::sin(a), 0.0f, std::cos(a)});

        const int due = FlashTrianglesDue(t - pathStart);
        if (due > kFlashPathLength) {
            ClearPath(parts.paths[path], lit);
            path = (Random() * 10) >> 15;
            pathStart = t;
            lit = 0;
        } else {
            LightPath(parts.paths[path], lit, due);
            lit = due;
        }

        const int m = MapChoiceForRow(currentRow);
        if (m != mapChoice) {
            mapChoice = m;
            SetTextureOfAll(mapBrain, parts.mapTextures[m]);
        }

        demo.engine->Render(parts.scene);
    }
}
