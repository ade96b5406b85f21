// objects.cpp -- the objects unit: every model written as an LWOB file under its table
// name, and a rendered view of each for the contact sheet (with the pictures it names,
// when the units that paint them ran before).
#include "objects.h"

#include <cctype>
#include <map>

#include "content.h"
#include "object_render.h"

namespace forge {

namespace {
std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

void MakeObjects(ContentSet& set) {
    std::vector<ForgedObject> objects = BuildObjects();
    std::vector<LwobFile> files;
    for (const ForgedObject& o : objects) {
        files.push_back(o.mesh.ToFile(o.winding));
        VectorSink sink;
        WriteLwob(sink, files.back());
        set.Add("Files\\" + o.name, std::move(sink.bytes));
    }
    std::map<std::string, Image> decoded;
    const PictureLookup lookup = [&](const std::string& base) -> const Image* {
        auto it = decoded.find(base);
        if (it == decoded.end()) {
            Image image;
            for (const ContentFile& f : set.Files())
                if (Upper(f.name) == "FILES\\" + base) image = DecodeJpegBytes(f.bytes);
            it = decoded.emplace(base, std::move(image)).first;
        }
        return it->second.width > 0 ? &it->second : nullptr;
    };
    for (size_t i = 0; i < objects.size(); ++i)
        set.AddPreview(objects[i].name, RenderObject(files[i], objects[i].winding, objects[i].view, 256, lookup));
}

}  // namespace forge
