/* A stand-in for the game's text library: its presence marks a running copy. */
__declspec(dllexport) int N2TextVersion(void) {
    return 2;
}
