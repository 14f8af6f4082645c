// make_fake_tree IMAGE FOLDER [BB:DD.F]: the fake sysfs/procfs tree of a machine image
// (the function given shows only its first 64 bytes, as to other users than root),
// made under Wine before the driver is started on it. Unix paths are reached
// through the Z: drive, which also takes the names with colons that sysfs uses.
#include "tests/live/FakePciTree.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string WindowsPath(const std::string& path)
{
    return !path.empty() && path[0] == '/' ? "Z:" + path : path;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: make_fake_tree IMAGE FOLDER [BB:DD.F]\n");
        return 2;
    }
    CFakeTreeOptions options;
    if (argc == 4)
        options.cutFunction = argv[3];
    std::ifstream file(WindowsPath(argv[1]), std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string error = image.empty() ? "cannot read the image" : MakeFakePciTree(image, WindowsPath(argv[2]), options);
    if (!error.empty()) {
        std::fprintf(stderr, "make_fake_tree: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
