#include "decode/VirtioCapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/Virtio.h"

#include <string>

namespace {

using T = CDecodeText;

std::string CfgTypeText(uint32_t type)
{
    switch (type) {
    case pci::kVirtioCfgCommon: return "VirtIO: CommonCfg";
    case pci::kVirtioCfgNotify: return "VirtIO: Notify";
    case pci::kVirtioCfgIsr: return "VirtIO: ISR";
    case pci::kVirtioCfgDevice: return "VirtIO: DeviceCfg";
    default: return "VirtIO: <unknown>"; // the type number is the row's value
    }
}

} // namespace

bool CVirtioCapabilityRows::Decode(CCapabilityRows& rows, uint32_t length)
{
    const uint16_t device = rows.DeviceId();
    if (rows.VendorId() != pci::kVirtioVendor || device < pci::kVirtioFirstDevice || device > pci::kVirtioLastDevice ||
        length < pci::kVirtioCapBytes)
        return false;
    const uint32_t type = rows.Read(pci::kVirtioCfgTypeOffset, 1);
    rows.Add(pci::kVirtioCfgTypeOffset, 1, CfgTypeText);
    rows.Add(pci::kVirtioBarOffset, 1, [](uint32_t v) { return T::Format("BAR=%u", v); });
    rows.Add(pci::kVirtioIdOffset, 1, [](uint32_t v) { return T::Format("ID=%u", v); });
    rows.Add(pci::kVirtioRegionOffset, 4, [](uint32_t v) { return T::Format("offset=%08x", v); });
    rows.Add(pci::kVirtioRegionLengthOffset, 4, [](uint32_t v) { return T::Format("size=%08x", v); });
    uint32_t end = pci::kVirtioCapBytes;
    if (type == pci::kVirtioCfgNotify && length >= pci::kVirtioNotifyCapBytes) {
        rows.Add(pci::kVirtioNotifyMultiplierOffset, 4, [](uint32_t v) { return T::Format("multiplier=%08x", v); });
        end = pci::kVirtioNotifyCapBytes;
    }
    rows.AddPlainRange(end, length, "Vendor Data");
    return true;
}
