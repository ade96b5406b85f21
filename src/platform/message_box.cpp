// message_box.cpp -- modal message boxes. Headless runs (and machines where the back-end
// cannot show a box) print "caption: text" to standard error instead and never wait.
#include "platform/platform_internal.h"

#include <cstdio>

namespace platform {

void ShowMessageBox(const char* text, const char* caption, unsigned style) {
    text = text ? text : "";
    caption = caption ? caption : "";
    if (!IsHeadless() && ShowSystemMessageBox(text, caption, style)) return;
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

}  // namespace platform
