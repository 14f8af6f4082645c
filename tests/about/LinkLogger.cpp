// Stands in for a web browser in the link tests: appends its command line, as one line, to
// the file that the variable BRISCO_LINK_LOG names.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableA("BRISCO_LINK_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    FILE* log = std::fopen(path, "a");
    if (log == nullptr)
        return 1;
    std::fprintf(log, "%s\n", ::GetCommandLineA());
    std::fclose(log);
    return 0;
}
