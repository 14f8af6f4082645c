// A console program whose exit code, output and working folder are chosen on
// the command line, so CTest can check that each of them survives the trip
// through the Wine harness.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace
{

// Prints the current folder with forward slashes, easier to match in CTest.
void PrintCurrentFolder()
{
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(path), path);
    std::string text = path;
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    std::printf("cwd=%s\n", text.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--cwd") == 0) {
            PrintCurrentFolder();
        } else if (hasValue && std::strcmp(argv[i], "--exit") == 0) {
            exitCode = std::atoi(argv[++i]);
        } else if (hasValue && std::strcmp(argv[i], "--stdout") == 0) {
            std::printf("%s\n", argv[++i]);
        } else if (hasValue && std::strcmp(argv[i], "--stderr") == 0) {
            std::fprintf(stderr, "%s\n", argv[++i]);
        } else {
            std::fprintf(stderr, "harness-probe: bad option %s\n", argv[i]);
            return 2;
        }
    }
    std::fflush(stdout);
    return exitCode;
}
