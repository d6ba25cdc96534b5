#pragma once

#include <ostream>
#include <string>

namespace monitor {

// `varnok --digest FILE`: prints the line that makes FILE the genuine game
// DLL when pasted under [integrity] in varnok.ini ("Genuine=" and the file's
// SHA-256), or on `err` the reason it cannot be read. Returns the program's
// exit code, 0 or 1.
int PrintGenuineDigest(const std::string& nativePath, std::ostream& out, std::ostream& err);

} // namespace monitor
