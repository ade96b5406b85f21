// name_table.cpp -- the table order of the embedded files.
#include "name_table.h"

#include <cstdio>

namespace forge {

namespace {

std::string Frame(const char* folder, const char* prefix, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Files\\Video\\%s\\%s%03d.JPG", folder, prefix, n);
    return buf;
}

std::vector<std::string> Build() {
    std::vector<std::string> t = {
        "Files\\Link.lwo",    "Files\\Tenebrix.it", "Files\\Beep.pcm",   "Files\\LogoW1.tga",
        "Files\\Metal1.jpg",  "Files\\SystemFont.tga", "Files\\VornWeb.jpg", "Files\\Torus1.lwo",
        "Files\\Torus2.lwo",  "Files\\Torus3.lwo",  "Files\\BrainQ2.jpg", "Files\\BrainQ1.jpg",
        "Files\\BrainQ3.jpg", "Files\\Cone.lwo",    "Files\\Sad05.jpg",  "Files\\Sad06.jpg",
        "Files\\Sad07.jpg",   "Files\\Sad08.jpg",   "Files\\Quessel.jpg", "Files\\Loading.jpg",
        "Files\\HeartTex.jpg",
    };
    // The video frames are stored with a few of their first numbers out of order.
    t.push_back(Frame("EH", "EH", 27));
    for (int n = 1; n <= 26; ++n) t.push_back(Frame("EH", "EH", n));
    t.push_back(Frame("EH", "EH", 0));
    for (int n = 28; n <= 315; ++n) t.push_back(Frame("EH", "EH", n));
    for (int n : {2, 1, 0}) t.push_back(Frame("War", "WAR", n));
    for (int n = 3; n <= 360; ++n) t.push_back(Frame("War", "WAR", n));
    for (const char* s : {"Heart.lwo", "Brain.lwo", "Infant.jpg", "Brain1.jpg", "Brain2.jpg", "Brain3.jpg",
                          "WarTV.jpg", "TV.lwo", "Ball.lwo", "Droplet.lwo", "Missile.jpg", "BG1.jpg", "Sad01.jpg",
                          "Crompet.jpg", "Wimbrel.jpg", "Zub.jpg", "Sad02.jpg", "Sad03.jpg", "Sad04.jpg",
                          "BrainF.jpg"})
        t.push_back(std::string("Files\\") + s);
    for (int n = 9; n <= 18; ++n) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Files\\Sad%02d.jpg", n);
        t.push_back(buf);
    }
    t.push_back("Files\\Gun1.lwo");
    return t;
}


}  // namespace

const std::vector<std::string>& EmbeddedNames() {
    static const std::vector<std::string> names = Build();
    return names;
}

std::vector<std::string> PictureAndSoundNames() { return EmbeddedNames(); }

}  // namespace forge
