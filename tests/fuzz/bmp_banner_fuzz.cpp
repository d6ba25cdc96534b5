// The BMP banner decoder: any bytes give a null image or a Format_RGB32
// picture within the banner's 468 x 60 pixels, whatever size the file claims.
#include "switcher/banner_decoders_qt.h"
#include "tests/support/banner_check_qt.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testsupport::CheckDecodedBanner(
        switcher::DecodeBmpBanner(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
