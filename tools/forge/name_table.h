// name_table.h -- the names of the show's embedded files, in table order, as the forge
// must write them (the file store embeds them under these exact names).
#pragma once

#include <string>
#include <vector>

namespace forge {

// All 729 names, position 1 first.
const std::vector<std::string>& EmbeddedNames();
// The names this forge makes: every name of the table (pictures, font, logo, beep, music,
// video frames and objects).
std::vector<std::string> PictureAndSoundNames();

}  // namespace forge
