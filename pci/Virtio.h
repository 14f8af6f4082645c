#pragma once
// The virtio transport's vendor-specific capability (ID 09h): which device IDs
// carry it, the structure types, and its fields from the capability's first byte.
#include <stdint.h>

namespace pci {

constexpr uint16_t kVirtioVendor = 0x1AF4;
constexpr uint16_t kVirtioFirstDevice = 0x1000; // transitional devices, then 1040h + device type
constexpr uint16_t kVirtioLastDevice = 0x107F;

constexpr uint32_t kVirtioCfgTypeOffset = 3;
constexpr uint32_t kVirtioBarOffset = 4;
constexpr uint32_t kVirtioIdOffset = 5;
constexpr uint32_t kVirtioRegionOffset = 8;
constexpr uint32_t kVirtioRegionLengthOffset = 12;
constexpr uint32_t kVirtioNotifyMultiplierOffset = 16;
constexpr uint32_t kVirtioCapBytes = 16;       // the common part every structure type has
constexpr uint32_t kVirtioNotifyCapBytes = 20; // with the notify offset multiplier

constexpr uint32_t kVirtioCfgCommon = 1;
constexpr uint32_t kVirtioCfgNotify = 2;
constexpr uint32_t kVirtioCfgIsr = 3;
constexpr uint32_t kVirtioCfgDevice = 4;

} // namespace pci
