// contact_sheet.h -- one PNG with every preview of a content set, labelled, for review.
#pragma once

#include <string>

#include "content.h"

namespace forge {

Image ContactSheet(const ContentSet& set);
// Returns false when the file cannot be written.
bool WritePng(const std::string& path, const Image& image);

}  // namespace forge
