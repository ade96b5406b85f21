// scene_renderer.cpp -- drawing one frame of a scene with immediate-mode OpenGL 1.1:
// fog, viewport and projection from the active camera, the lights of every enabled
// object (through its children), then every enabled triangle, batched while texture and
// colour mode stay the same, with textures uploaded (and their mipmaps made) on first
// use. Render-window thread only.
//
// State relied on: the fixed state set once by SetFixedGLState (blending, back-face
// culling, depth test, lighting on, linear fog). The render cache (current texture,
// surface and colour mode) is reset at the start of every draw pass, so the first
// triangle of a frame always sets all three.
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/core/vec_math.h"
#include "engine/gl/gl_engine.h"
#include "engine/gl/mipmap.h"

namespace {
constexpr float kByteToFloat = 0.003921569f;

const Surface kDefaultSurface;

void ColourToFloats(Colour c, float out[4]) {
    out[0] = c.r * kByteToFloat;
    out[1] = c.g * kByteToFloat;
    out[2] = c.b * kByteToFloat;
    out[3] = c.a * kByteToFloat;
}

void MultiplyModelMatrix(const Object3D& object) {
    float m[16];
    BuildModelMatrix(object.position, object.direction, object.up, m);
    glMultMatrixf(m);
}

}  // namespace

void OpenGLEngine::SetFixedGLState() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glPolygonMode(GL_FRONT, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glFrontFace(GL_CCW);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glEnable(GL_LIGHTING);
}

namespace {

// Per-frame drawing, with the engine's cache kept in the engine between frames.
class FrameDrawer {
public:
    explicit FrameDrawer(OpenGLEngine& engine) : e(engine) { glGetIntegerv(GL_MAX_LIGHTS, &maxLights); }

    bool SetUpLights(const Object3D& object) {
        if (e.lightsThisFrame >= maxLights) {
            e.SetError("Too many lights to render");
            return false;
        }
        glPushMatrix();
        MultiplyModelMatrix(object);
        for (int32_t i = 0; i < object.lightsInUse; ++i) {
            const Light& light = object.lights[i];
            if (!light.IsEnabled()) continue;
            const GLenum id = GL_LIGHT0 + static_cast<GLenum>(e.lightsThisFrame);
            float v[4];
            if (light.type == kLightDirectional) {
                v[0] = -light.direction.x, v[1] = -light.direction.y, v[2] = -light.direction.z, v[3] = 0.0f;
            } else {
                v[0] = light.position.x, v[1] = light.position.y, v[2] = light.position.z, v[3] = 1.0f;
            }
            glLightfv(id, GL_POSITION, v);
            if (light.type == kLightSpot) {
                v[0] = light.direction.x, v[1] = light.direction.y, v[2] = light.direction.z, v[3] = 0.0f;
                glLightfv(id, GL_SPOT_DIRECTION, v);
                glLightf(id, GL_SPOT_CUTOFF, light.spotCutoff);
            } else {
                glLighti(id, GL_SPOT_CUTOFF, 180);
            }
            ColourToFloats(light.ambient, v);
            glLightfv(id, GL_AMBIENT, v);
            ColourToFloats(light.diffuse, v);
            glLightfv(id, GL_DIFFUSE, v);
            ColourToFloats(light.specular, v);
            glLightfv(id, GL_SPECULAR, v);
            glEnable(id);
            if (++e.lightsThisFrame == maxLights) {
                glPopMatrix();
                e.SetError("Too many lights to render");
                return false;
            }
        }
        for (int32_t i = 0; i < object.childrenDrawn; ++i) {
            const Object3D* child = object.children[i];
            if (!child || !child->IsEnabled()) continue;
            if (!SetUpLights(*child)) {
                glPopMatrix();
                return false;
            }
        }
        glPopMatrix();
        return true;
    }

    bool Draw(const Object3D* object) {
        if (!object) return true;
        glPushMatrix();
        MultiplyModelMatrix(*object);
        for (int32_t i = 0; i < object->trianglesInUse; ++i) {
            const Triangle& t = object->triangles[i];
            // A triangle missing a corner vertex is skipped: drawing it would shift every
            // later corner of the batch.
            if (!t.IsEnabled() || !t.vertices[0] || !t.vertices[1] || !t.vertices[2]) continue;
            Texture* texture = t.hasTexture ? t.texture : nullptr;
            const Surface* surface = t.hasSurface ? t.surface : nullptr;
            if (texture != e.currentTexture) {
                CloseBatch();
                if (!texture) {
                    if (e.texturingOn) {
                        glDisable(GL_TEXTURE_2D);
                        e.texturingOn = 0;
                    }
                } else {
                    if (!e.texturingOn) {
                        glEnable(GL_TEXTURE_2D);
                        e.texturingOn = 1;
                    }
                    if (texture->glName != kNoTextureName && !texture->dirty) {
                        glBindTexture(GL_TEXTURE_2D, texture->glName);
                    } else if (!Upload(*texture)) {
                        glPopMatrix();
                        return false;
                    }
                }
                e.currentTexture = texture;
            }
            if (surface != e.currentSurface) {
                SetMaterial(surface ? *surface : kDefaultSurface);
                e.currentSurface = surface;
            }
            if (t.hasColours != e.currentColourMode) {
                if (t.hasColours) {
                    CloseBatch();
                    glEnable(GL_COLOR_MATERIAL);
                    e.colourMaterialOn = 1;
                } else if (e.colourMaterialOn) {
                    glColor4ub(200, 200, 200, 255);
                    CloseBatch();
                    glDisable(GL_COLOR_MATERIAL);
                    e.colourMaterialOn = 0;
                }
                e.currentColourMode = t.hasColours;
            }
            if (!e.primitiveOpen) {
                glBegin(GL_TRIANGLES);
                e.primitiveOpen = 1;
            }
            for (int c = 0; c < 3; ++c) {
                if (t.hasColours) {
                    const Colour& colour = t.colours[c];
                    glColor4ub(colour.r, colour.g, colour.b, colour.a);
                }
                if (texture)
                    glTexCoord2f(static_cast<float>(t.texCoords[c].u) / static_cast<float>(texture->width),
                                 static_cast<float>(t.texCoords[c].v) / static_cast<float>(texture->height));
                const Vertex* v = t.vertices[c];
                glNormal3f(v->normal.x, v->normal.y, v->normal.z);
                glVertex3f(v->position.x, v->position.y, v->position.z);
            }
            ++e.polygonsThisFrame;
        }
        CloseBatch();
        for (int32_t i = 0; i < object->childrenDrawn; ++i) {
            const Object3D* child = object->children[i];
            if (!child || !child->IsEnabled()) continue;
            if (!Draw(child)) {
                glPopMatrix();
                return false;
            }
        }
        glPopMatrix();
        return true;
    }

    // Every texture of the object and its children that has pixels and no name yet.
    void UploadNew(const Object3D* object, int depth) {
        // Children may be shared or even cyclic: the depth bounds the walk.
        if (!object || depth > 64) return;
        for (int32_t i = 0; i < object->trianglesInUse; ++i) {
            const Triangle& t = object->triangles[i];
            Texture* texture = t.hasTexture ? t.texture : nullptr;
            if (texture && texture->pixels && texture->glName == kNoTextureName) Upload(*texture);
        }
        for (int32_t i = 0; i < object->childrenDrawn; ++i) UploadNew(object->children[i], depth + 1);
    }

private:
    void CloseBatch() {
        if (e.primitiveOpen) {
            glEnd();
            e.primitiveOpen = 0;
        }
    }

    void SetMaterial(const Surface& s) {
        float v[4];
        ColourToFloats(s.ambient, v);
        glMaterialfv(GL_FRONT, GL_AMBIENT, v);
        ColourToFloats(s.diffuse, v);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, v);
        ColourToFloats(s.specular, v);
        glMaterialfv(GL_FRONT, GL_SPECULAR, v);
        ColourToFloats(s.emission, v);
        glMaterialfv(GL_FRONT, GL_EMISSION, v);
        glMateriali(GL_FRONT, GL_SHININESS, s.shininess / 2);
    }

    bool Upload(Texture& texture) {
        if (texture.glName == kNoTextureName) texture.glName = e.nextTextureName++;
        texture.dirty = 0;
        glBindTexture(GL_TEXTURE_2D, texture.glName);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, texture.mipmap ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        int w = texture.width, h = texture.height;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture.pixels);
        if (!texture.mipmap || !texture.pixels || w <= 0 || h <= 0) return true;
        const uint8_t* previous = texture.pixels;
        uint8_t* owned = nullptr;
        for (int level = 1; w > 1 || h > 1; ++level) {
            const int nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
            auto* next = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(nw) * static_cast<size_t>(nh) * 4));
            if (!next) {
                std::free(owned);
                e.SetError("Insufficient memory to generate mipmap textures");
                return false;
            }
            HalveMipmapLevel(previous, w, h, next, &w, &h);
            glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, next);
            std::free(owned);
            owned = next;
            previous = next;
        }
        std::free(owned);
        return true;
    }

    OpenGLEngine& e;
    GLint maxLights = 8;
};

}  // namespace

void OpenGLEngine::PrepareSceneNow(Scene* scene) {
    if (!scene) return;
    {
        FrameDrawer drawer(*this);
        for (int32_t i = 0; i < scene->objectSlots; ++i) drawer.UploadNew(scene->objects[i], 0);
    }
    // The driver builds its code for each new combination of states (fog, lights,
    // textures, blending) when it first draws with it: a hidden draw does that now. The
    // next frame clears the back buffer.
    if (scene->activeCamera) DrawScene(scene, false);
}

int OpenGLEngine::DrawScene(Scene* scene, bool show) {
    if (!scene) {
        SetError("Not a valid scene");
        return 0;
    }
    const Camera* camera = scene->activeCamera;
    if (!camera) {
        SetError("No active camera with which to render scene");
        return 0;
    }

    if (camera->fog) {
        float colour[4];
        ColourToFloats(camera->fogColour, colour);
        glFogf(GL_FOG_START, 0.0f);
        glFogf(GL_FOG_END, camera->fogEnd);
        glFogfv(GL_FOG_COLOR, colour);
        glEnable(GL_FOG);
        glClearColor(colour[0], colour[1], colour[2], colour[3]);
    } else {
        glDisable(GL_FOG);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }

    if (camera->viewportWidth > 1 && camera->viewportHeight > 1) {
        int w = camera->viewportWidth & ~1, h = camera->viewportHeight & ~1;
        if (w > width) w = width;
        if (h > height) h = height;
        glViewport((width - w) / 2, (height - h) / 2, w, h);
    } else {
        glViewport(0, 0, width, height);
    }

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double nearPlane = camera->nearPlane;
    const double tanH = std::tan(camera->fovHorizontal * 0.017453292f);
    const double tanV = std::tan(camera->fovVertical * 0.017453292f);
    glFrustum(-nearPlane * tanH, nearPlane * tanH, -nearPlane * tanV, nearPlane * tanV, nearPlane, camera->farPlane);
    float view[16];
    BuildViewMatrix(camera->position, camera->direction, camera->up, view);
    glMultMatrixf(view);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    FrameDrawer drawer(*this);
    lightsThisFrame = 0;
    for (int32_t i = 0; i < scene->objectSlots; ++i) {
        const Object3D* object = scene->objects[i];
        if (object && object->IsEnabled() && !drawer.SetUpLights(*object)) break;
    }
    for (int32_t n = lightsThisFrame; n < lightsLastFrame; ++n) glDisable(GL_LIGHT0 + static_cast<GLenum>(n));
    lightsLastFrame = lightsThisFrame;

    currentTexture = kNoneYet<Texture>();
    currentSurface = kNoneYet<Surface>();
    currentColourMode = 2;
    polygonsThisFrame = 0;
    for (int32_t i = 0; i < scene->objectSlots; ++i) {
        const Object3D* object = scene->objects[i];
        if (object && object->IsEnabled() && !drawer.Draw(object)) break;
    }
    if (!show) {
        glFinish();
        return 1;
    }
    profiling::polygonCounter.fetch_add(polygonsThisFrame, std::memory_order_relaxed);

    glFlush();
    platform::SwapWindowBuffers(window.load() ? window.load() : startingWindow);
    profiling::frameCounter.fetch_add(1, std::memory_order_relaxed);
    profiling::NoteFrameSwapped();
    return 1;
}
