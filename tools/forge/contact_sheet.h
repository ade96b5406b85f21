// contact_sheet.h -- one PNG with every preview of a content set, labelled, for review.
#pragma once

#include "content.h"

namespace forge {

Image ContactSheet(const ContentSet& set);

}  // namespace forge
