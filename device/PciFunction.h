#pragma once
// One PCI function of the machine: its place, its configuration image and a
// shadow of what the hardware last returned, its BAR sizes, names and, for a
// bridge, the functions found behind it. Constructing the root builds the tree.
#include "pci/Bar.h"
#include "pci/ConfigSpace.h"

#include <windows.h>

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

class CPciNameIndex;
class CPnpInstanceIndex;

class CPciFunction {
public:
    // A capability walk never visits more entries than the image has dwords.
    static constexpr uint32_t kMaxCapabilityEntries = 64;
    // The name database, opened by this relative name, so from the current folder.
    static constexpr char kNameFile[] = "pcidevs.txt";

    // Root: finds the host bridge on bus 0 and scans the whole tree behind it.
    explicit CPciFunction(HANDLE hDriver);
    // Child: reads one function and, for a bridge, everything behind it.
    CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function);
    ~CPciFunction();

    CPciFunction(const CPciFunction&) = delete;
    CPciFunction& operator=(const CPciFunction&) = delete;

    // Configuration requests for any function address through this object's driver handle.
    // ReadConfigSpace writes the destination only on success; ReadConfig answers all ones when
    // its request fails, which is what an absent function reads.
    bool ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* destination);
    uint32_t ReadConfig(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size);
    bool WriteConfig(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size, uint32_t value);

    // Writes one register of m_config to the device when it differs from m_shadow, then reads it
    // back into both copies. Registers that do not lie within the 256 bytes are ignored.
    void WriteConfigRegister(uint32_t offset, uint32_t size);
    // Writes back every register of the header layout and the dwords above it that were edited.
    void RefreshConfigSpace();

    bool IsBridge() const;

    // The capability list as pointers into m_config; index receives the entry's dword index.
    uint8_t* GetFirstCapability(uint32_t* index = nullptr);
    const uint8_t* GetFirstCapability(uint32_t* index = nullptr) const;
    uint8_t* GetNextCapability(const uint8_t* entry, uint32_t* index = nullptr);
    const uint8_t* GetNextCapability(const uint8_t* entry, uint32_t* index = nullptr) const;
    // The dword indices of the capability list in order; ends before the first
    // entry visited twice and after at most kMaxCapabilityEntries entries.
    std::vector<uint32_t> GetCapabilityIndices() const;

    int FindBarForAddress(uint32_t address) const;
    // Sizes a BAR by writing all ones; the saved value is written back even when the mask read fails.
    uint32_t ProbeBarSize(int index);
    // Unit sizes other than 1, 2 and 4, a count of 0 and lengths a request cannot carry are refused.
    bool ReadDeviceData(int index, uint32_t offset, void* buffer, uint32_t unitSize, uint32_t count);
    bool WriteDeviceData(int index, uint32_t offset, const void* data, uint32_t unitSize, uint32_t count);

    std::string GetVendorName() const;
    std::string GetDeviceName() const;
    std::string GetSubsystemVendorName() const;

    // Looks the three names up in pcidevs.txt in the current directory.
    void LoadDeviceNames();
    // Takes the BAR sizes from the resources recorded in the registry for this function.
    void LoadAssignedResources();
    // The same through what this scan has read already: the name file's index (null
    // when there is no file) and the instances of the device keys looked at so far.
    void LoadDeviceNames(const CPciNameIndex* names);
    void LoadAssignedResources(CPnpInstanceIndex& instances);
    // The open instance subkey of deviceKey whose location names bus/device/function, or nullptr.
    static HKEY FindInstanceKey(HKEY deviceKey, uint32_t bus, uint32_t device, uint32_t function);

    // Register values of m_config.
    uint8_t GetConfigByte(uint32_t offset) const;
    uint16_t GetConfigWord(uint32_t offset) const;
    uint32_t GetConfigDword(uint32_t offset) const;
    uint16_t GetVendorId() const;
    uint16_t GetDeviceId() const;
    uint32_t GetHeaderLayout() const;
    bool IsMultiFunction() const;
    // The number of BARs of the header layout: 6, 2 or 0.
    int GetBarCount() const;
    // BAR index of m_config; 0 for an index outside the layout's BARs.
    uint32_t GetBarValue(int index) const;

    uint32_t m_bus = 0;
    uint32_t m_device = 0;
    uint32_t m_function = 0;
    uint32_t m_barSizes[pci::kMaxBars] = {};
    HANDLE m_hDriver = nullptr;
    uint8_t m_config[pci::kConfigSpaceBytes] = {};
    uint8_t m_shadow[pci::kConfigSpaceBytes] = {};
    std::vector<std::unique_ptr<CPciFunction>> m_children;
    std::string m_vendorName;
    std::string m_deviceName;
    std::string m_subsystemVendorName;

private:
    struct CScanState;

    CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, CScanState& scan);
    void ReadChild(CScanState& scan);
    void FindHostBridge();
    void ScanChildren(CScanState& scan);
    bool ShouldScanBus(uint32_t bus, const CScanState& scan) const;
    uint32_t ProbeFunction(uint32_t bus, uint32_t device, uint32_t function);
    void MarkAbsent();
    void FinishConstruction(CScanState& scan);
};
