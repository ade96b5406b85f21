// content.h -- the content set the forge builds: every file under its table name, in
// the order the generator units add them, plus small previews for the contact sheet.
// A generator unit is one function that adds its files; the list of units lives in
// content_units.cpp, so a new kind of content (the module, the 3D objects) is one more
// unit in its own file and one more line in that list.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image.h"
#include "jpeg_writer.h"
#include "tga_writer.h"

namespace forge {

struct ContentFile {
    std::string name;  // as in the name table: "Files\Video\EH\EH000.JPG"
    std::vector<uint8_t> bytes;
};

struct Preview {
    std::string name;
    Image image;
};

class ContentSet {
public:
    void Add(std::string name, std::vector<uint8_t> bytes);
    // Encodes and adds; a failing encoder is a fault of the forge and throws.
    void AddJpeg(std::string name, const Image& image, const JpegSettings& settings);
    void AddTga(std::string name, const Image& image, TgaRows rows);
    void AddPreview(std::string name, Image image);

    const std::vector<ContentFile>& Files() const { return files_; }
    const std::vector<Preview>& Previews() const { return previews_; }
    const ContentFile* Find(const std::string& name) const;

private:
    std::vector<ContentFile> files_;
    std::vector<Preview> previews_;
};

struct ContentUnit {
    const char* name;  // for messages and --only
    void (*make)(ContentSet&);
};

// Every unit, in the order the forge runs them.
std::span<const ContentUnit> ContentUnits();

// The units themselves (one file each).
void MakeSystemFont(ContentSet& set);
void MakeLogo(ContentSet& set);
void MakeBeep(ContentSet& set);
void MakeStills(ContentSet& set);
void MakeSadFaces(ContentSet& set);
void MakeBrainPictures(ContentSet& set);
void MakeEhVideo(ContentSet& set);
void MakeWarVideo(ContentSet& set);
void MakeSoundtrack(ContentSet& set);
void MakeObjects(ContentSet& set);

// Runs body(i) for i in 0..count-1 on a few threads. Each i must write only its own
// result slot, so the outcome does not depend on scheduling.
void ParallelFor(int count, const std::function<void(int)>& body);

// Table name to a relative path on disk: backslashes become slashes.
std::string DiskPath(const std::string& tableName);

}  // namespace forge
