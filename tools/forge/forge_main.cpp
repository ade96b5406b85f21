// forge_main.cpp -- the forge's command line: builds the content set and writes it out.
//   forge --out DIR                 writes DIR/Files/... (only files whose bytes changed)
//   forge --contact-sheet FILE.png  writes a montage of every picture for review
//   forge --only UNIT               runs one generator unit (font, logo, beep, ...)
//   forge --list                    prints the names the units make
//   forge --icon DIR                writes the program's icon: DIR/umbravel.ico, .png and
//                                   the 64-pixel rows the Linux build compiles in
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "contact_sheet.h"
#include "content.h"
#include "icon.h"
#include "png_file.h"

namespace {

bool SameBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) != bytes.size() || ec) return false;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return old == bytes;
}

int Usage() {
    std::fprintf(stderr, "usage: forge [--out DIR] [--contact-sheet FILE.png] [--only UNIT] [--list] [--icon DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out, sheet, only, icon;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) out = argv[++i];
        else if (a == "--contact-sheet" && i + 1 < argc) sheet = argv[++i];
        else if (a == "--only" && i + 1 < argc) only = argv[++i];
        else if (a == "--list") list = true;
        else if (a == "--icon" && i + 1 < argc) icon = argv[++i];
        else return Usage();
    }
    if (out.empty() && sheet.empty() && !list && icon.empty()) return Usage();

    if (!icon.empty()) {
        std::string error;
        if (!forge::WriteIconFiles(icon, &error)) {
            std::fprintf(stderr, "forge: %s\n", error.c_str());
            return 1;
        }
        if (out.empty() && sheet.empty() && !list) return 0;
    }

    forge::ContentSet set;
    try {
        bool ran = false;
        for (const forge::ContentUnit& unit : forge::ContentUnits()) {
            if (!only.empty() && only != unit.name) continue;
            unit.make(set);
            ran = true;
        }
        if (!ran) {
            std::fprintf(stderr, "forge: no unit named '%s'\n", only.c_str());
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "forge: %s\n", e.what());
        return 1;
    }

    if (list)
        for (const forge::ContentFile& f : set.Files()) std::printf("%s %zu\n", f.name.c_str(), f.bytes.size());

    if (!out.empty()) {
        size_t written = 0;
        for (const forge::ContentFile& f : set.Files()) {
            std::filesystem::path path = std::filesystem::path(out) / forge::DiskPath(f.name);
            if (SameBytes(path, f.bytes)) continue;
            std::error_code ec;
            std::filesystem::create_directories(path.parent_path(), ec);
            std::ofstream file(path, std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
            if (!file.good()) {
                std::fprintf(stderr, "forge: cannot write %s\n", path.string().c_str());
                return 1;
            }
            ++written;
        }
        std::printf("forge: %zu files in %s/Files (%zu rewritten)\n", set.Files().size(), out.c_str(), written);
    }
    if (!sheet.empty() && !forge::WritePng(sheet, forge::ContactSheet(set))) {
        std::fprintf(stderr, "forge: cannot write %s\n", sheet.c_str());
        return 1;
    }
    return 0;
}
