// lwob_builder.h -- small LightWave LWOB files written in memory for the loader's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class LwobBuilder {
public:
    LwobBuilder& Points(const std::vector<float>& xyz) {
        Chunk("PNTS", [&](std::vector<uint8_t>& d) {
            for (float f : xyz) Put32(d, Bits(f));
        });
        return *this;
    }
    LwobBuilder& SurfaceNames(const std::vector<std::string>& names) {
        Chunk("SRFS", [&](std::vector<uint8_t>& d) {
            for (const std::string& n : names) PutName(d, n);
        });
        return *this;
    }
    // Each polygon: its point indices, then its surface number.
    LwobBuilder& Polygons(const std::vector<std::vector<uint16_t>>& polygons, uint16_t surface = 1) {
        Chunk("POLS", [&](std::vector<uint8_t>& d) {
            for (const auto& p : polygons) {
                Put16(d, static_cast<uint16_t>(p.size()));
                for (uint16_t i : p) Put16(d, i);
                Put16(d, surface);
            }
        });
        return *this;
    }
    // A SURF chunk: name, then sub-chunks given as (id, bytes).
    LwobBuilder& Surface(const std::string& name, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& subs) {
        Chunk("SURF", [&](std::vector<uint8_t>& d) {
            PutName(d, name);
            for (const auto& [id, bytes] : subs) {
                d.insert(d.end(), id.begin(), id.end());
                Put16(d, static_cast<uint16_t>(bytes.size()));
                d.insert(d.end(), bytes.begin(), bytes.end());
            }
        });
        return *this;
    }
    LwobBuilder& Raw(const char id[4], const std::vector<uint8_t>& data, uint32_t statedSize) {
        body.insert(body.end(), id, id + 4);
        Put32(body, statedSize);
        body.insert(body.end(), data.begin(), data.end());
        return *this;
    }
    std::vector<uint8_t> Build(const char* form = "LWOB") const {
        std::vector<uint8_t> file{'F', 'O', 'R', 'M'};
        Put32(file, static_cast<uint32_t>(body.size() + 4));
        file.insert(file.end(), form, form + 4);
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }

    static std::vector<uint8_t> Colour(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b, 0}; }
    static std::vector<uint8_t> Text(const std::string& s) {
        std::vector<uint8_t> d(s.begin(), s.end());
        d.push_back(0);
        if (d.size() % 2) d.push_back(0);
        return d;
    }
    static std::vector<uint8_t> Floats(float a, float b, float c) {
        std::vector<uint8_t> d;
        Put32(d, Bits(a));
        Put32(d, Bits(b));
        Put32(d, Bits(c));
        return d;
    }
    static std::vector<uint8_t> Flags(uint16_t f) {
        std::vector<uint8_t> d;
        Put16(d, f);
        return d;
    }

private:
    template <typename F>
    void Chunk(const char* id, F fill) {
        std::vector<uint8_t> data;
        fill(data);
        Raw(id, data, static_cast<uint32_t>(data.size()));
    }
    static uint32_t Bits(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return u;
    }
    static void Put16(std::vector<uint8_t>& d, uint16_t v) {
        d.push_back(static_cast<uint8_t>(v >> 8));
        d.push_back(static_cast<uint8_t>(v));
    }
    static void Put32(std::vector<uint8_t>& d, uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) d.push_back(static_cast<uint8_t>(v >> s));
    }
    static void PutName(std::vector<uint8_t>& d, const std::string& n) {
        const std::vector<uint8_t> t = Text(n);
        d.insert(d.end(), t.begin(), t.end());
    }
    std::vector<uint8_t> body;
};
