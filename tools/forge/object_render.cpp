// object_render.cpp -- flat-projected triangles with Gouraud-interpolated Lambert light.
#include "object_render.h"

#include <jpeglib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <limits>

namespace forge {

namespace {

struct Corner {
    float x, y, z;  // screen x, y and view depth
    float light;
    float u, v;
};

std::string UpperBase(const std::string& name) {
    const size_t slash = name.find_last_of('\\');
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return base;
}

// The loader's planar mapping, in picture units (0..1 across), from file coordinates.
void Planar(const LwobTexture& t, const std::array<float, 3>& p, float& u, float& v) {
    const auto& s = t.size;
    const auto& c = t.centre;
    if (t.axis == 0) {
        u = (p[2] - c[2]) / s[2] + 0.5f;
        v = 0.5f - (p[1] - c[1]) / s[1];
    } else if (t.axis == 1) {
        u = (p[0] - c[0]) / s[0] + 0.5f;
        v = 0.5f - (p[2] - c[2]) / s[2];
    } else {
        u = (p[0] - c[0]) / s[0] + 0.5f;
        v = 0.5f - (p[1] - c[1]) / s[1];
    }
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

}  // namespace

Image DecodeJpegBytes(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct d{};
    JpegError error{};
    d.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
    Image image;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&d);
        return Image();
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    image = Image(static_cast<int>(d.output_width), static_cast<int>(d.output_height));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = image.At(0, static_cast<int>(d.output_scanline));
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return image;
}

Image RenderObject(const LwobFile& file, int winding, V3 from, int size, const PictureLookup& pictures) {
    // Engine positions and the loader's triangles.
    std::vector<V3> points;
    for (const auto& p : file.points) points.push_back({p[0], p[1], -p[2]});
    struct Tri {
        int corner[3];
        int surface;
    };
    std::vector<Tri> tris;
    for (const LwobPolygon& polygon : file.polygons) {
        const auto& i = polygon.points;
        for (size_t k = 2; k < i.size(); ++k) {
            if (winding == 1) tris.push_back({{i[0], i[k - 1], i[k]}, polygon.surface - 1});
            else tris.push_back({{i[0], i[k], i[k - 1]}, polygon.surface - 1});
        }
    }
    std::vector<V3> normals(points.size());
    for (const Tri& t : tris) {
        const V3 a = points[t.corner[0]], b = points[t.corner[1]], c = points[t.corner[2]];
        const V3 n = Cross(b - a, c - a);
        if (Len(n) > 0)
            for (int k : t.corner) normals[k] = normals[k] + Unit(n);
    }
    std::vector<const Image*> surfacePictures;
    for (const LwobSurface& s : file.surfaces)
        surfacePictures.push_back(s.textured && pictures ? pictures(UpperBase(s.texture.image)) : nullptr);

    // The camera: at three bounding radii from the centre, looking at it.
    V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const V3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const V3 centre = (lo + hi) * 0.5f;
    const float radius = std::max(Len(hi - lo) * 0.5f, 1e-6f);
    const V3 forward = Unit(from * -1.0f);
    const V3 eye = centre - forward * (3.2f * radius);
    V3 right = Cross(forward, {0, 1, 0});
    right = Len(right) < 1e-3f ? V3{1, 0, 0} : Unit(right);
    const V3 up = Cross(right, forward);
    const float focal = size * 1.45f;
    const V3 light = Unit(right * -0.45f + up * 0.75f - forward * 0.55f);

    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const uint8_t g = static_cast<uint8_t>(24 + 30 * y / size);
            uint8_t* px = image.At(x, y);
            px[0] = g;
            px[1] = g;
            px[2] = static_cast<uint8_t>(g + 10);
        }
    std::vector<float> depth(static_cast<size_t>(size) * size, std::numeric_limits<float>::infinity());

    for (const Tri& t : tris) {
        Corner c[3];
        bool behind = false;
        for (int k = 0; k < 3; ++k) {
            const V3 p = points[t.corner[k]] - eye;
            const float z = Dot(p, forward);
            if (z <= 1e-4f) behind = true;
            c[k].z = z;
            c[k].x = size * 0.5f + Dot(p, right) / z * focal;
            c[k].y = size * 0.5f - Dot(p, up) / z * focal;
            const V3 n = Unit(normals[t.corner[k]]);
            c[k].light = 0.22f + 0.78f * std::max(0.0f, Dot(n, light));
            c[k].u = c[k].v = 0;
            if (surfacePictures[t.surface]) {
                const auto& fp = file.points[t.corner[k]];
                Planar(file.surfaces[t.surface].texture, fp, c[k].u, c[k].v);
            }
        }
        if (behind) continue;
        const float area = (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[1].y - c[0].y) * (c[2].x - c[0].x);
        if (area >= 0) continue;  // screen y points down: front faces turn clockwise here
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({c[0].x, c[1].x, c[2].x}))));
        const int x1 = std::min(size - 1, static_cast<int>(std::ceil(std::max({c[0].x, c[1].x, c[2].x}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({c[0].y, c[1].y, c[2].y}))));
        const int y1 = std::min(size - 1, static_cast<int>(std::ceil(std::max({c[0].y, c[1].y, c[2].y}))));
        const LwobSurface& surface = file.surfaces[t.surface];
        const Image* picture = surfacePictures[t.surface];
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const float px = x + 0.5f, py = y + 0.5f;
                float w[3];
                for (int k = 0; k < 3; ++k) {
                    const Corner& a = c[(k + 1) % 3];
                    const Corner& b = c[(k + 2) % 3];
                    w[k] = ((b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x)) / area;
                }
                if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
                const float z = w[0] * c[0].z + w[1] * c[1].z + w[2] * c[2].z;
                float& stored = depth[static_cast<size_t>(y) * size + x];
                if (z >= stored) continue;
                stored = z;
                const float lit = w[0] * c[0].light + w[1] * c[1].light + w[2] * c[2].light;
                float rgb[3] = {surface.colour[0] / 255.0f, surface.colour[1] / 255.0f, surface.colour[2] / 255.0f};
                if (picture && picture->width > 0) {
                    float u = w[0] * c[0].u + w[1] * c[1].u + w[2] * c[2].u;
                    float v = w[0] * c[0].v + w[1] * c[1].v + w[2] * c[2].v;
                    u -= std::floor(u);
                    v -= std::floor(v);
                    const uint8_t* texel = picture->At(std::min(picture->width - 1, static_cast<int>(u * picture->width)),
                                                       std::min(picture->height - 1, static_cast<int>(v * picture->height)));
                    for (int k = 0; k < 3; ++k) rgb[k] = texel[k] / 255.0f;
                }
                uint8_t* out = image.At(x, y);
                for (int k = 0; k < 3; ++k) out[k] = static_cast<uint8_t>(std::clamp(rgb[k] * lit, 0.0f, 1.0f) * 255);
            }
    }
    return image;
}

}  // namespace forge
