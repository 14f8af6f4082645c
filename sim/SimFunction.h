#pragma once
// One simulated PCI function: its configuration space with per-bit write
// behaviour, the sizes of its BARs, the contents of the ranges they decode and
// what the plug-and-play records say about it.
#include "sim/SimRange.h"
#include "sim/SimUtil.h"

#include "pci/ConfigSpace.h"
#include "pci/RegisterCatalogue.h"
#include "protocol/DriverProtocol.h"

#include <stdint.h>

constexpr uint32_t kSimConfigSize = pci::kConfigSpaceBytes;
constexpr uint32_t kSimExtendedConfigSize = pci::kExtendedConfigSpaceBytes;
constexpr uint32_t kSimBarSlots = 7; // BAR 0..5 and the expansion ROM
constexpr uint32_t kSimRomSlot = 6;
constexpr uint32_t kSimMaxExtraInstances = 4;
constexpr uint32_t kSimNameSize = 64;
constexpr uint32_t kSimAllocConfigCapacity = 256;

enum : uint8_t {
    kSimBarNone = 0,
    kSimBarIo,
    kSimBarMem32,
    kSimBarMem64,
    kSimBarUpperHalf, // the high dword of the 64-bit BAR below it
    kSimBarRom,
};

enum : uint8_t {
    kSimRegistryNormal = 0,
    kSimRegistryNone,      // the function has no plug-and-play record
    kSimRegistryNoControl, // its instance has no Control key (device not started)
};

// An additional instance key under the function's device key.
struct CSimExtraInstance
{
    char m_name[kSimNameSize];
    bool m_hasLocation;
    uint8_t m_bus;
    uint8_t m_device;
    uint8_t m_function;
    bool m_hasControl;
};

class CSimFunction {
public:
    static CSimFunction* Create(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function, uint32_t line);
    static void Destroy(CSimFunction* function, CSimPageBudget* budget);

    // Segment, then routing ID (FunctionKey): the sort key of a machine.
    uint32_t Key() const { return FunctionKey(m_segment, pci::RoutingId(m_bus, m_device, m_function)); }
    uint32_t Layout() const { return m_config[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask; }

    // Derives BAR kinds, the extent of the space and write masks from the loaded image. On
    // failure fills message and the line it concerns. A size from an lspci Region line that the
    // BAR register cannot hold is dropped with a remark in notes instead.
    bool Finish(char* message, uint32_t capacity, uint32_t* line, CSimText* notes);

    // 4096 bytes for a function with a PCI Express capability, 256 for any other.
    uint32_t SpaceSize() const { return m_hasExtendedSpace ? kSimExtendedConfigSize : kSimConfigSize; }
    // Register requests must lie within SpaceSize().
    uint32_t ReadConfig(uint32_t offset, uint32_t size) const;
    void WriteConfig(uint32_t offset, uint32_t size, uint32_t value);

    // Finds the BAR (or ROM) slot that currently decodes the address in the space.
    bool Decodes(uint8_t space, uint64_t address, uint32_t* slot, uint64_t* offset) const;
    bool SlotDecodes(uint32_t slot, uint8_t space, uint64_t address, uint64_t* offset) const;
    // The range the slot decodes in the space now (base and size); false when it decodes none there.
    bool SlotRange(uint32_t slot, uint8_t space, uint64_t* base, uint64_t* size) const;
    uint32_t SlotRegister(uint32_t slot) const;
    uint64_t SlotBase(uint32_t slot) const;

    void FormatDeviceKey(char* text, uint32_t capacity) const;
    // Cheap test of whether both functions would get the same device key.
    bool SameDeviceKey(const CSimFunction& other) const;
    void FormatInstanceName(char* text, uint32_t capacity) const;

    uint16_t m_segment;
    uint8_t m_bus;
    uint8_t m_device;
    uint8_t m_function;
    bool m_answersAllFunctions; // a device that ignores the function number
    uint32_t m_line;            // image line of the function header
    bool m_hasExtendedSpace;    // set by Finish: the standard list holds a PCI Express capability
    // The whole space as the image gives it; bytes 100h..FFFh are served only with extended space.
    uint8_t m_config[kSimExtendedConfigSize];
    uint8_t m_writeMask[kSimExtendedConfigSize];
    uint8_t m_clearMask[kSimExtendedConfigSize]; // write-one-to-clear bits

    // Register masks given by the image, applied over the defaults.
    uint8_t m_writeOverride[kSimExtendedConfigSize];
    uint8_t m_clearOverride[kSimExtendedConfigSize];
    uint8_t m_overridden[kSimExtendedConfigSize]; // bit 0: write mask given, bit 1: clear mask given

    uint8_t m_barKind[kSimBarSlots];
    uint64_t m_barSize[kSimBarSlots];
    uint32_t m_barSizeLine[kSimBarSlots];   // 0 when the size comes from the default rule
    bool m_barSizeFromRegion[kSimBarSlots]; // the size came from lspci's text, not an annotation
    CSimRange m_ranges[kSimBarSlots];

    uint8_t m_registryMode;
    bool m_hasInstanceName;
    char m_instanceName[kSimNameSize];
    uint32_t m_extraCount;
    CSimExtraInstance m_extras[kSimMaxExtraInstances];
    uint8_t m_allocConfig[kSimAllocConfigCapacity];
    uint32_t m_allocConfigLength;

private:
    uint32_t BarCount() const;
    uint32_t SubsystemOffset() const;
    void ClassifyBars();
    // Says why the BAR cannot hold its given size; false when it can.
    bool DescribeBarSizeProblem(uint32_t slot, CSimText* text) const;
    void DropRegionSizes(CSimText* notes);
    bool CheckBarSizes(char* message, uint32_t capacity, uint32_t* line);
    // Write masks, in the order Finish applies them.
    void SetDefaultMasks();
    void SetCapabilityMasks();
    void SetExtendedMasks();
    void SetHeaderMasks();
    void SetHardwareMasks();
    void ApplyOverrides();
    bool FindExpressCapability() const;
    // The catalogue's masks of a block lying at [at, end): every register and repetition that fits.
    void SetBlockMasks(const pci::CRegisterBlock& block, uint32_t at, uint32_t end);
    // One capability entry that ends at end: its block's masks, and its header read-only.
    void SetEntryMasks(uint32_t at, uint32_t end, pci::EBlockKind kind, uint16_t id, uint32_t headerBytes);
    void SetBarMasks();
    // Partial descriptors take the layout of this build's bitness, as Windows writes for a driver of it.
    void BuildAllocConfig();
    uint32_t GetDword(uint32_t offset) const;
    void SetMask(uint32_t offset, uint32_t bytes, uint32_t writable);
    void SetMaskByte(uint32_t offset, uint8_t writable, uint8_t clear);
};
