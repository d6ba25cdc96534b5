#include "monitor/digest_command.h"

#include "monitor/inspect/sha256.h"

namespace monitor {

int PrintGenuineDigest(const std::string& nativePath, std::ostream& out, std::ostream& err) {
    const FileDigest digest = FileSha256(nativePath);
    if (!digest.Hex) {
        err << "varnok: " << (digest.ErrorText.empty() ? "cannot read " + nativePath : digest.ErrorText)
            << "\n";
        return 1;
    }
    out << "Genuine=" << *digest.Hex << "\n";
    return 0;
}

} // namespace monitor
