// Stand-in for the game's text library. Its presence in a process is what
// marks a running copy of the game; it needs no content beyond an export.
extern "C" int N2TextVersion() {
    return 2;
}
