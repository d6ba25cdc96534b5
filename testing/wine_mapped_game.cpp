// A running 32-bit game as the Linux monitor sees it under Wine, made by a
// 64-bit program (no 32-bit code runs on these machines): maps PE32 DLL files
// the way Wine maps a DLL whose file layout is not page-aligned.
//   - one view of the image's size, below 2 GiB as in a 32-bit process;
//   - the header page, and every section whose file data starts on a page,
//     mapped from the file (copy-on-write), so /proc/PID/maps names the file;
//   - the other sections read into anonymous pages of the view;
//   - relocations applied for the view's address and the import tables
//     filled, as the loader does.
//
// Usage: wine_mapped_game DLL...   Prints "ok" once mapped, then reads
// commands on standard input: "patch" changes one byte of the exported
// function GameMainCode of the first DLL that has it, "quit" ends. Every
// command is answered "ok" or "error <reason>".
#include "testing/pe_loader_sim.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t kPage = 4096;

std::uint64_t RoundUp(std::uint64_t n) {
    return (n + kPage - 1) / kPage * kPage;
}

struct MappedDll {
    std::string file;
    char* base = nullptr;
    std::uint64_t size = 0;
};

bool MapFilePages(int fd, char* at, std::uint64_t offset, std::uint64_t length) {
    return mmap(at, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd,
                static_cast<off_t>(offset)) == at;
}

bool MapLikeWine(const std::string& path, MappedDll& dll, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    dll.file.assign(std::istreambuf_iterator<char>(in), {});
    testsupport::PeImageInfo info;
    if (!testsupport::ReadPeImageInfo(dll.file, info)) {
        error = "not a PE file: " + path;
        return false;
    }
    // The image as the loader leaves it, built aside first.
    dll.size = RoundUp(info.SizeOfImage);
    void* view =
        mmap(nullptr, dll.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (view == MAP_FAILED) {
        error = "no view";
        return false;
    }
    dll.base = static_cast<char*>(view);
    std::vector<char> image(dll.size);
    if (!testsupport::MapPeImage(dll.file, reinterpret_cast<std::uintptr_t>(dll.base), image.data())) {
        error = "cannot lay out " + path;
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path;
        return false;
    }
    // File-backed where Wine maps from the file: the headers and the
    // page-aligned sections (never past the file's last page).
    const std::uint64_t filePages = RoundUp(dll.file.size());
    bool ok = MapFilePages(fd, dll.base, 0, kPage);
    for (const auto& s : info.Sections) {
        if (s.RawOffset % kPage != 0 || s.VirtualAddress % kPage != 0 || s.RawSize == 0 ||
            s.RawOffset >= filePages) {
            continue;
        }
        const std::uint64_t length = std::min(RoundUp(s.RawSize), filePages - s.RawOffset);
        ok = ok && MapFilePages(fd, dll.base + s.VirtualAddress, s.RawOffset, length);
    }
    close(fd);
    if (!ok) {
        error = "cannot map " + path;
        return false;
    }
    std::memcpy(dll.base, image.data(), dll.size);
    mprotect(dll.base, dll.size, PROT_READ);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<MappedDll> dlls(static_cast<std::size_t>(argc > 1 ? argc - 1 : 0));
    for (int i = 1; i < argc; ++i) {
        std::string error;
        if (!MapLikeWine(argv[i], dlls[static_cast<std::size_t>(i - 1)], error)) {
            std::cout << "error " << error << std::endl;
            return 1;
        }
    }
    std::cout << "ok" << std::endl;
    for (std::string command; std::getline(std::cin, command);) {
        if (command == "quit") {
            std::cout << "ok" << std::endl;
            return 0;
        }
        if (command != "patch") {
            std::cout << "error unknown command" << std::endl;
            continue;
        }
        bool patched = false;
        for (const MappedDll& dll : dlls) {
            const std::uint32_t code = testsupport::ExportRva(dll.file, "GameMainCode");
            if (code != 0 && code < dll.size && mprotect(dll.base, dll.size, PROT_READ | PROT_WRITE) == 0) {
                dll.base[code + 1] ^= 0x01;
                mprotect(dll.base, dll.size, PROT_READ);
                patched = true;
                break;
            }
        }
        std::cout << (patched ? "ok" : "error nothing to patch") << std::endl;
    }
    return 0;
}
