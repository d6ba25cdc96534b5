#include "switcher/service_address.h"

#include <cstdlib>

namespace switcher {
namespace {

std::string& ServiceRootOption() {
    static std::string root;
    return root;
}

// "http://host/" and "http://host" name the same root; paths are appended
// with their own leading slash.
std::string WithoutTrailingSlashes(std::string_view root) {
    while (!root.empty() && root.back() == '/') {
        root.remove_suffix(1);
    }
    return std::string(root);
}

} // namespace

std::string ServiceRoot() {
    if (!ServiceRootOption().empty()) {
        return ServiceRootOption();
    }
    const char* environment = std::getenv("ZANDREL_SERVICE");
    if (environment != nullptr && *environment != '\0') {
        return WithoutTrailingSlashes(environment);
    }
    return std::string(kDefaultServiceRoot);
}

void SetServiceRoot(std::string_view root) {
    ServiceRootOption() = WithoutTrailingSlashes(root);
}

std::string DefaultGetMapsUrl(std::string_view serviceRoot) {
    return WithoutTrailingSlashes(serviceRoot) + "/";
}

std::string DefaultOnChatUrl(std::string_view serviceRoot) {
    return WithoutTrailingSlashes(serviceRoot) + "/chat";
}

} // namespace switcher
