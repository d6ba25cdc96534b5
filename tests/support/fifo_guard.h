#pragma once

#include <chrono>
#include <fcntl.h>
#include <future>
#include <string>
#include <unistd.h>

namespace testsupport {

// Runs `read` on another thread and tells whether it finished on its own.
// Should it block on the FIFO at `fifo` (an open for reading waits for a
// writer), a writer is opened so that the thread can finish: the test then
// fails instead of hanging. (POSIX only.)
template <typename Read> bool FinishesWithoutWriter(const std::string& fifo, Read read) {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(30)) == std::future_status::ready)
        return true;
    const int writer = open(fifo.c_str(), O_WRONLY);
    done.wait();
    close(writer);
    return false;
}

} // namespace testsupport
