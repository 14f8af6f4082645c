// brisco-dump: the bus tree and register rows of a machine as text.
#include "tools/brisco-dump/DumpTool.h"

#include <iostream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The same bytes as the native build: no carriage returns added to line ends.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    CDumpTool tool;
    return tool.Run(argc > 0 ? argv[0] : "", args, std::cout, std::cerr);
}
