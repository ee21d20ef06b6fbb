// hold-file.exe FILE WAIT_FOR: a small Windows program for the Wine
// scenario that does what an antivirus or a spreadsheet does to a data file:
// it opens FILE without sharing (nobody may read, write, rename or replace
// it), says "held", waits until the file WAIT_FOR exists (the program's save
// has begun; at most 60 s) and holds on for half a second more, then closes
// it and says "released". Exit status 1 when FILE cannot be opened or
// WAIT_FOR never appears.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hold-file FILE WAIT_FOR\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    bool seen = false;
    for (int i = 0; i < 6000 && !seen; ++i) {
        seen = GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES;
        if (!seen) Sleep(10);
    }
    if (seen) Sleep(500);
    CloseHandle(file);
    std::printf(seen ? "released\n" : "the save never began\n");
    return seen ? 0 : 1;
}
