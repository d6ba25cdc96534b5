#include "switcher/service_address.h"

#include <cstdlib>

namespace switcher {
namespace {

// "http://host/" and "http://host" name the same root; paths are appended
// with their own leading slash.
std::string WithoutTrailingSlashes(std::string_view root) {
    while (!root.empty() && root.back() == '/') {
        root.remove_suffix(1);
    }
    return std::string(root);
}

} // namespace

std::string ServiceRootFrom(std::string_view option) {
    if (!option.empty()) {
        return WithoutTrailingSlashes(option);
    }
    const char* environment = std::getenv("ZANDREL_SERVICE");
    if (environment != nullptr && *environment != '\0') {
        return WithoutTrailingSlashes(environment);
    }
    return std::string(kDefaultServiceRoot);
}

std::string DefaultGetMapsUrl(std::string_view serviceRoot) {
    return WithoutTrailingSlashes(serviceRoot) + "/";
}

std::string DefaultOnChatUrl(std::string_view serviceRoot) {
    return WithoutTrailingSlashes(serviceRoot) + "/chat";
}

} // namespace switcher
