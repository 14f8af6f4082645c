#pragma once
// A fake sysfs and procfs tree made from a machine image, so the live machine
// runs its every path without touching hardware. Portable: the native tests and
// a Windows program under Wine (which creates the names with colons) both use it.
#include <stdint.h>

#include <string>

struct CFakeTreeOptions
{
    bool sysfs = true;
    bool procfs = true;
    // How much of each config file a reader sees: 4096 as root, 64 for other users.
    uint32_t visibleBytes = 4096;
    // One function ("BB:DD.F", or "SSSS:BB:DD.F" outside segment 0) whose config file shows only what other users see, so it
    // answers its probe but cannot be read; empty for none.
    std::string cutFunction = {};
};

// What Linux shows other users of a function's configuration space.
constexpr uint32_t kNonRootVisibleBytes = 64;

// Replaces folder with the tree of the image; returns "" or what went wrong.
std::string MakeFakePciTree(const std::string& imageText, const std::string& folder,
                            const CFakeTreeOptions& options = {});
// The sysfs folder of one function in the tree ("<folder>/sys/bus/pci/devices/SSSS:BB:DD.F"). procfs
// names no domain, so the tree's procfs holds segment 0 alone.
std::string FakeFunctionFolder(const std::string& folder, uint32_t bus, uint32_t device, uint32_t function,
                               uint16_t segment = 0);
