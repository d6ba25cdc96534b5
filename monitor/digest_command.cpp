#include "monitor/digest_command.h"

#include "monitor/inspect/sha256.h"

namespace monitor {

int PrintGenuineDigest(const std::string& nativePath, std::ostream& out, std::ostream& err) {
    const common::Result<std::string> digest = FileSha256(nativePath);
    if (!digest) {
        err << "varnok: " << digest.Error().Text << "\n";
        return 1;
    }
    out << "Genuine=" << *digest << "\n";
    return 0;
}

} // namespace monitor
