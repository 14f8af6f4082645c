// CPciFunction: vendor, device and subsystem vendor names from pcidevs.txt.
#include "device/PciFunction.h"

#include <stdio.h>
#include "device/PciNameIndex.h"

// The file is indexed once and the index reused while the file is unchanged,
// so a lookup reads nothing; what it returns is what searching the file gives.
void CPciFunction::LoadDeviceNames()
{
    LoadDeviceNames(CPciNameIndex::ForFile(kNameFile).get());
}

void CPciFunction::LoadDeviceNames(const CPciNameIndex* names)
{
    if (!names) {
        m_vendorName.clear();
        m_deviceName.clear();
        m_subsystemVendorName.clear();
        return;
    }
    uint32_t subsystemOffset = GetHeaderLayout() == pci::kLayoutCardBusBridge ? pci::kCardBusSubsystemVendorIdOffset
                                                                              : pci::kSubsystemVendorIdOffset;
    CPciNameIndex::CNames found = names->Lookup(GetVendorId(), GetDeviceId(), GetConfigWord(subsystemOffset));
    m_vendorName = std::move(found.vendor);
    m_deviceName = std::move(found.device);
    m_subsystemVendorName = std::move(found.subsystemVendor);
}

std::string CPciFunction::FormatAddress(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function)
{
    char prefix[8] = "";
    if (segment != 0)
        snprintf(prefix, sizeof prefix, "%04X:", unsigned(segment));
    return prefix + std::to_string(bus) + '.' + std::to_string(device) + '.' + std::to_string(function);
}
