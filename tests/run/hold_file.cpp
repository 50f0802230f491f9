// A virus scanner's stand-in for the Windows tests: holds a file open for a
// while as a scanner checking it does, for reading, sharing reads and writes
// but not deletion, so that the file can be neither moved nor deleted
// meanwhile. Creates the marker file once it holds the file, so the test
// knows when the hold begins. The test's names are ASCII.
// Usage: hold_file FILE MILLISECONDS MARKER
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) return 2;
    const HANDLE held = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    CloseHandle(held);
    return 0;
}
