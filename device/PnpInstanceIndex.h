#pragma once
// The plug-and-play instances of the device keys one scan has looked at, each
// device key walked once: functions that share a device key (many of one part)
// then find their instance without walking every instance again.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

class CPnpInstanceIndex {
public:
    // The open instance subkey of deviceKey whose location names bus/device/function and whose
    // DWORD "Segment" names the segment (absent: segment 0): the first in enumeration order, as a
    // walk of the key finds it; nullptr when none does. The key is walked on its first lookup
    // and known by its path afterwards.
    HKEY Find(HKEY deviceKey, const std::string& path, uint32_t bus, uint32_t device, uint32_t function,
              uint16_t segment = 0);

private:
    struct CInstance
    {
        std::string name;
        bool located = false;
        DWORD segment = 0;
        int bus = 0;
        int device = 0;
        int function = 0;
    };

    static std::vector<CInstance> ReadInstances(HKEY deviceKey);

    std::map<std::string, std::vector<CInstance>> m_deviceKeys;
};
