// CPciFunction: BAR sizes from the resources that plug and play recorded in the registry.
#include "device/PciFunction.h"
#include "device/PnpInstanceIndex.h"

#include "pci/ByteOrder.h"
#include "protocol/DriverProtocol.h"
#include "protocol/ResourceList.h"

#include <stdio.h>

#include <new>
#include <type_traits>

namespace {

const char kDeviceKeyFormat[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X";
const char kLocationValue[] = "LocationInformation";
const char kLocationFormat[] = "PCI bus %d, device %d, function %d";
const char kControlKey[] = "Control";
const char kAllocConfigValue[] = "AllocConfig";
constexpr REGSAM kKeyAccess = KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;

constexpr int kKeyPathSize = 160;
// Key names have at most 255 characters.
constexpr DWORD kKeyNameSize = 256;
constexpr DWORD kLocationSize = 255;
constexpr int kLocationFields = 3;
// An enumeration that keeps failing must still end.
constexpr DWORD kMaxInstanceKeys = 4096;

// The length of a port or memory descriptor in bytes; 0 for any other kind. A large memory
// descriptor counts its length in units that its flags name.
uint64_t GetRangeLength(const uint8_t* partial)
{
    const uint8_t type = partial[kResPartialTypeOffset];
    const uint64_t length = pci::GetLe32(partial + kResPartialLengthOffset);
    if (type == kResTypePort || type == kResTypeMemory)
        return length;
    if (type != kResTypeMemoryLarge)
        return 0;
    const uint16_t flags = pci::GetLe16(partial + kResPartialFlagsOffset);
    if (flags & kResMemoryFlagLarge40)
        return length << kResLarge40Shift;
    if (flags & kResMemoryFlagLarge48)
        return length << kResLarge48Shift;
    if (flags & kResMemoryFlagLarge64)
        return length << kResLarge64Shift;
    return 0;
}

// Port ranges are I/O BARs, memory ranges memory BARs of either width; a large memory range
// (4 GiB or more) only a 64-bit BAR can decode.
bool RangeFitsBarKind(uint8_t type, pci::BarKind kind)
{
    switch (type) {
    case kResTypePort: return kind == pci::BarKind::kIo;
    case kResTypeMemory: return kind == pci::BarKind::kMemory32 || kind == pci::BarKind::kMemory64;
    case kResTypeMemoryLarge: return kind == pci::BarKind::kMemory64;
    default: return false;
    }
}

// The stride of the partial descriptors in the lists the operating system writes: its
// bitness decides, not this program's, so a 32-bit program on 64-bit Windows reads 20.
uint32_t GetSystemPartialBytes()
{
    if constexpr (sizeof(void*) == 8)
        return kResPartialBytes64;
    BOOL wow = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow) && wow ? kResPartialBytes64 : kResPartialBytes32;
}

struct CKeyCloser
{
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using CScopedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, CKeyCloser>;

CScopedKey OpenKey(HKEY parent, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, kKeyAccess, &key) != ERROR_SUCCESS)
        return CScopedKey();
    return CScopedKey(key);
}

// The bus, device and function that the instance key's "LocationInformation" names;
// false when it has none or names fewer than all three.
bool ReadLocation(HKEY instance, int* bus, int* device, int* function)
{
    char text[kLocationSize + 1] = {};
    DWORD size = kLocationSize;
    if (RegQueryValueExA(instance, kLocationValue, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS)
        return false;
    // The stored text need not end in a terminator.
    text[size < kLocationSize ? size : kLocationSize] = '\0';
    return sscanf(text, kLocationFormat, bus, device, function) == kLocationFields;
}

// The instance's segment: its DWORD "Segment", 0 when it has none.
DWORD ReadSegment(HKEY instance)
{
    DWORD segment = 0;
    DWORD size = sizeof segment;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(instance, kPnpSegmentValue, nullptr, &type, reinterpret_cast<BYTE*>(&segment), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof segment)
        return 0;
    return segment;
}

// Locations are compared as 8-bit values.
bool IsSameLocation(int bus, int device, int function, uint32_t wantedBus, uint32_t wantedDevice,
                    uint32_t wantedFunction)
{
    return uint8_t(bus) == uint8_t(wantedBus) && uint8_t(device) == uint8_t(wantedDevice) &&
        uint8_t(function) == uint8_t(wantedFunction);
}

// The data of a binary value, empty when it is missing or cannot be read.
std::vector<uint8_t> QueryBinaryValue(HKEY key, const char* name)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::vector<uint8_t> data;
    try {
        data.resize(size);
    } catch (const std::bad_alloc&) {
        return {};
    }
    DWORD read = size;
    if (RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &read) != ERROR_SUCCESS)
        return {};
    data.resize(read < size ? read : size);
    return data;
}

} // namespace

// A walk of one device key is an index used once.
HKEY CPciFunction::FindInstanceKey(HKEY deviceKey, uint32_t bus, uint32_t device, uint32_t function, uint16_t segment)
{
    CPnpInstanceIndex instances;
    return instances.Find(deviceKey, std::string(), bus, device, function, segment);
}

std::vector<CPnpInstanceIndex::CInstance> CPnpInstanceIndex::ReadInstances(HKEY deviceKey)
{
    std::vector<CInstance> instances;
    for (DWORD index = 0; index < kMaxInstanceKeys; ++index) {
        char name[kKeyNameSize] = {};
        DWORD nameSize = kKeyNameSize;
        LONG status = RegEnumKeyExA(deviceKey, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        // A name that did not fit is not in the buffer, so that subkey cannot be opened by it.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        name[kKeyNameSize - 1] = '\0';
        CInstance instance;
        instance.name = name;
        if (CScopedKey key = OpenKey(deviceKey, name)) {
            instance.located = ReadLocation(key.get(), &instance.bus, &instance.device, &instance.function);
            instance.segment = ReadSegment(key.get());
        }
        instances.push_back(std::move(instance));
    }
    return instances;
}

HKEY CPnpInstanceIndex::Find(HKEY deviceKey, const std::string& path, uint32_t bus, uint32_t device, uint32_t function,
                             uint16_t segment)
{
    auto known = m_deviceKeys.find(path);
    if (known == m_deviceKeys.end())
        known = m_deviceKeys.emplace(path, ReadInstances(deviceKey)).first;
    for (const CInstance& instance : known->second) {
        if (!instance.located || instance.segment != segment ||
            !IsSameLocation(instance.bus, instance.device, instance.function, bus, device, function))
            continue;
        if (CScopedKey key = OpenKey(deviceKey, instance.name.c_str()))
            return key.release();
    }
    return nullptr;
}

void CPciFunction::LoadAssignedResources()
{
    CPnpInstanceIndex instances;
    LoadAssignedResources(instances);
}

void CPciFunction::LoadAssignedResources(CPnpInstanceIndex& instances)
{
    for (uint64_t& size : m_barSizes)
        size = 0;
    m_hasRegistryRecord = false;
    m_registryRecordStarted = false;
    char path[kKeyPathSize];
    snprintf(path, sizeof path, kDeviceKeyFormat, GetConfigWord(pci::kVendorIdOffset),
             GetConfigWord(pci::kDeviceIdOffset), GetConfigWord(pci::kSubsystemIdOffset),
             GetConfigWord(pci::kSubsystemVendorIdOffset), GetConfigByte(pci::kRevisionIdOffset));
    CScopedKey deviceKey = OpenKey(HKEY_LOCAL_MACHINE, path);
    if (!deviceKey)
        return;
    CScopedKey instance(instances.Find(deviceKey.get(), path, m_bus, m_device, m_function, m_segment));
    if (!instance)
        return;
    m_hasRegistryRecord = true;
    CScopedKey control = OpenKey(instance.get(), kControlKey);
    if (!control)
        return;
    m_registryRecordStarted = true;
    ReadAssignedResources(QueryBinaryValue(control.get(), kAllocConfigValue), GetSystemPartialBytes());
}

void CPciFunction::ReadAssignedResources(const std::vector<uint8_t>& data, uint32_t partialBytes)
{
    // A stride shorter than the fields read would run past the data.
    if (partialBytes < kResPartialBytes32 || data.size() < kResListFirstPartialOffset)
        return;
    uint32_t count = pci::GetLe32(data.data() + kResListPartialCountOffset);
    // The count may claim more descriptors than the data holds.
    uint32_t available = uint32_t((data.size() - kResListFirstPartialOffset) / partialBytes);
    for (uint32_t i = 0; i < count && i < available; ++i) {
        const uint8_t* partial = data.data() + kResListFirstPartialOffset + i * partialBytes;
        const uint64_t length = GetRangeLength(partial);
        if (length == 0)
            continue;
        const int bar =
            FindBarForRange(partial[kResPartialTypeOffset], pci::GetLe64(partial + kResPartialStartOffset), length);
        // Descriptors that disagree leave the smallest length, which never reaches past the range.
        if (bar >= 0 && (m_barSizes[bar] == 0 || length < m_barSizes[bar]))
            m_barSizes[bar] = length;
    }
}

// A bridge's windows and a ROM start where a BAR might too; only a range of the BAR's own kind,
// of a length its base and type can decode, can be that BAR's.
int CPciFunction::FindBarForRange(uint8_t type, uint64_t start, uint64_t length) const
{
    for (int i = 0; i < GetBarCount(); ++i) {
        const CBarInfo bar = GetBar(i);
        if (bar.IsPresent() && bar.base == start && RangeFitsBarKind(type, bar.kind) &&
            pci::CanBarDecode(bar.kind, bar.base, length))
            return i;
    }
    return -1;
}
