#include "decode/CapabilityNames.h"

#include "decode/DecodeText.h"

#include "pci/Capability.h"
#include "pci/ExtendedCapability.h"

namespace {

// Indexed by ID, from 01h; lspci's words where it names the capability.
const char* const kStandardNames[] = {
    "Power Management",
    "AGP",
    "Vital Product Data",
    "Slot ID",
    "MSI",
    "CompactPCI hot-swap",
    "PCI-X",
    "HyperTransport",
    "Vendor Specific Information",
    "Debug port",
    "CompactPCI central resource control",
    "Hot-plug capable",
    "Bridge Subsystem Vendor ID",
    "AGP3",
    "Secure device",
    "PCI Express",
    "MSI-X",
    "SATA HBA",
    "PCI Advanced Features",
    "Enhanced Allocation (EA)",
    "Flattening Portal Bridge",
};

// Indexed by ID, from 0001h.
const char* const kExtendedNames[] = {
    "Advanced Error Reporting",
    "Virtual Channel",
    "Device Serial Number",
    "Power Budgeting",
    "Root Complex Link",
    "Root Complex Internal Link",
    "Root Complex Event Collector Endpoint Association",
    "Multi-Function Virtual Channel",
    "Virtual Channel",
    "Root Complex Register Block",
    "Vendor Specific Information",
    "Configuration Access Correlation",
    "Access Control Services",
    "Alternative Routing-ID Interpretation (ARI)",
    "Address Translation Service (ATS)",
    "Single Root I/O Virtualization (SR-IOV)",
    "Multi-Root I/O Virtualization",
    "Multicast",
    "Page Request Interface (PRI)",
    "Reserved for AMD",
    "Physical Resizable BAR",
    "Dynamic Power Allocation",
    "Transaction Processing Hints",
    "Latency Tolerance Reporting",
    "Secondary PCI Express",
    "Protocol Multiplexing",
    "Process Address Space ID (PASID)",
    "LN Requester",
    "Downstream Port Containment",
    "L1 PM Substates",
    "Precision Time Measurement",
    "PCI Express over M_PHY",
    "FRS Queueing",
    "Readiness Time Reporting",
    "Designated Vendor-Specific",
    "Virtual Resizable BAR",
    "Data Link Feature",
    "Physical Layer 16.0 GT/s",
    "Lane Margining at the Receiver",
    "Hierarchy ID",
    "Native PCIe Enclosure Management",
    "Physical Layer 32.0 GT/s",
    "Alternate Protocol",
    "System Firmware Intermediary",
    "Shadow Functions",
    "Data Object Exchange",
    "Device 3",
    "Integrity and Data Encryption",
    "Physical Layer 64.0 GT/s",
    "Flit Logging",
    "Flit Performance Measurement",
    "Flit Error Injection",
};

constexpr uint32_t kStandardCount = sizeof kStandardNames / sizeof kStandardNames[0];
constexpr uint32_t kExtendedCount = sizeof kExtendedNames / sizeof kExtendedNames[0];
static_assert(kStandardCount == pci::kCapFlatteningPortalBridge, "one name per standard ID");
static_assert(kExtendedCount == pci::kExtCapFlitErrorInjection, "one name per extended ID");

} // namespace

bool CCapabilityNames::IsKnownStandard(uint8_t id)
{
    return id >= 1 && id <= kStandardCount;
}

bool CCapabilityNames::IsKnownExtended(uint16_t id)
{
    return id >= 1 && id <= kExtendedCount;
}

std::string CCapabilityNames::Standard(uint8_t id)
{
    if (IsKnownStandard(id))
        return kStandardNames[id - 1];
    return CDecodeText::Format("Capability %02Xh", id);
}

std::string CCapabilityNames::Extended(uint16_t id)
{
    if (IsKnownExtended(id))
        return kExtendedNames[id - 1];
    return CDecodeText::Format("Extended Capability %04Xh", id);
}
