// Stand-in for the game's main DLL: a little code whose bytes the integrity
// checks compare, and one export the stand-in game can find and patch.
extern "C" int GameMainCode(int value) {
    int result = 17;
    for (int i = 0; i < value; ++i) {
        result = result * 31 + i;
    }
    return result;
}
