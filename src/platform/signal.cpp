// signal.cpp -- the table of named signals. The signals themselves are the back-end's.
#include "platform/platform.h"

#include <map>
#include <mutex>
#include <string>

namespace platform {

namespace {
std::mutex namesMutex;
std::map<std::string, std::weak_ptr<Signal>>& Names() {
    static std::map<std::string, std::weak_ptr<Signal>> names;
    return names;
}
}  // namespace

std::shared_ptr<Signal> CreateNamedSignal(const char* name) {
    std::lock_guard<std::mutex> lock(namesMutex);
    std::weak_ptr<Signal>& slot = Names()[name ? name : ""];
    if (std::shared_ptr<Signal> existing = slot.lock()) return existing;
    auto created = std::make_shared<Signal>();
    slot = created;
    return created;
}

std::shared_ptr<Signal> OpenNamedSignal(const char* name) {
    std::lock_guard<std::mutex> lock(namesMutex);
    auto it = Names().find(name ? name : "");
    if (it == Names().end()) return nullptr;
    return it->second.lock();
}

}  // namespace platform
