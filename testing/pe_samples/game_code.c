/* A stand-in for the game's main DLL as the game ships it: 32-bit (and, for
   comparison, 64-bit) Windows code with absolute addresses that need base
   relocations, functions imported from kernel32 (import address table) and,
   in the merged build, one from user32 loaded on first use (delay-load import
   address table). Never run: tests map the file as the Windows loader would. */
#include <windows.h>

static int counter = 3;
/* Absolute addresses: 64-bit code addresses relative to itself, so only data
   like this needs base relocations there. */
__declspec(dllexport) int* game_table[2] = {&counter, 0};

__declspec(dllexport) int GameMainCode(int value) {
    int result = 17;
    for (int i = 0; i < value; ++i) {
        result = result * 31 + i;
    }
    return result + (int)(GetTickCount() & 0) + lstrlenA("x") + *game_table[0];
}

#ifdef WITH_DELAY_LOAD
__declspec(dllexport) int GameWindowCode(void) {
    return GetDesktopWindow() != 0;
}

/* The delay-load helper the linker expects; the loader simulation fills the
   table itself, so this is never called. */
FARPROC WINAPI __delayLoadHelper2(const void* descriptor, FARPROC* slot) {
    (void)descriptor;
    return *slot;
}
#endif
