#include "decode/CxlDvsecRows.h"

#include "decode/DecodeText.h"

#include "pci/CxlDvsec.h"
#include "pci/ExtendedCapability.h"

#include <string>

namespace {

using T = CDecodeText;

// Adds only the registers that lie inside the DVSEC's declared length, and remembers where they end.
class CDvsecRegisters {
public:
    CDvsecRegisters(CCapabilityRows& rows, uint32_t length) : m_rows(rows), m_length(length) {}

    template <class TextFn>
    void Add(uint32_t offset, uint32_t size, std::string name, TextFn text)
    {
        if (offset + size > m_length || !m_rows.Add(offset, size, std::move(name), text))
            return;
        if (offset + size > m_end)
            m_end = offset + size;
    }
    void AddPlain(uint32_t offset, uint32_t size, std::string name)
    {
        Add(offset, size, std::move(name), [](uint32_t) { return std::string(); });
    }
    uint32_t Read(uint32_t offset, uint32_t size) const { return m_rows.Read(offset, size); }
    uint32_t Length() const { return m_length; }
    uint32_t End() const { return m_end; }

private:
    CCapabilityRows& m_rows;
    uint32_t m_length;
    uint32_t m_end = pci::kDvsecHeaderBytes;
};

std::string Hex32(uint32_t v)
{
    return T::Format("%08x", v);
}

// "5ms": a value in bits 3:0 scaled by a power of ten given in bits 11:8.
std::string TimeText(uint32_t v)
{
    static const char* const kUnits[] = {"us", "ms", "s"};
    constexpr uint32_t kScalesPerUnit = 3;
    constexpr uint32_t kLastScale = 7; // 10 s
    const uint32_t value = v & pci::kCxlTimeValueMask;
    const uint32_t scale = T::Field(v, pci::kCxlTimeScaleShift, pci::kCxlTimeScaleMask);
    if (scale > kLastScale)
        return T::Format("%u, reserved time scale %x", value, scale);
    uint32_t scaled = value;
    for (uint32_t i = 0; i < scale % kScalesPerUnit; ++i)
        scaled *= 10;
    return T::Format("%u%s", scaled, kUnits[scale / kScalesPerUnit]);
}

std::string CacheSizeText(uint32_t v)
{
    const uint32_t unit = v & pci::kCxlCacheSizeUnitMask;
    const uint32_t size = v >> pci::kCxlCacheSizeShift;
    if (unit == 0)
        return "Cache Size Not Reported";
    if (unit == pci::kCxlCacheSizeUnit64K)
        return T::Format("Cache Size: %08x", size << pci::kCxlCacheSize64KShift);
    if (unit == pci::kCxlCacheSizeUnit1M)
        return T::Format("Cache Size: %08x", size << pci::kCxlCacheSize1MShift);
    return T::Format("Cache Size: %u of unknown unit size (%u)", size, unit);
}

std::string RangeFlagsText(uint32_t v)
{
    static const char* const kTypes[] = {"Volatile", "Non-volatile", "CDAT"};
    static const char* const kClasses[] = {"DRAM", "Storage", "CDAT"};
    static const uint32_t kInterleaveBytes[] = {0, 256, 4096, 512, 1024, 2048, 8192, 16384};
    constexpr uint32_t kKnownNames = 3;
    constexpr uint32_t kKnownInterleaves = 8;
    const uint32_t type = T::Field(v, pci::kCxlRangeTypeShift, pci::kCxlRangeThreeBitMask);
    const uint32_t cls = T::Field(v, pci::kCxlRangeClassShift, pci::kCxlRangeThreeBitMask);
    const uint32_t interleave = T::Field(v, pci::kCxlRangeInterleaveShift, pci::kCxlRangeInterleaveMask);
    const uint32_t timeout = T::Field(v, pci::kCxlRangeTimeoutShift, pci::kCxlRangeThreeBitMask);
    return T::Format("Valid%s Active%s Type=%s Class=%s interleave=%s timeout=%us", T::Bit(v, 0), T::Bit(v, 1),
                     type < kKnownNames ? kTypes[type] : T::Format("??%u", type).c_str(),
                     cls < kKnownNames ? kClasses[cls] : T::Format("??%u", cls).c_str(),
                     interleave < kKnownInterleaves ? T::Format("%u", kInterleaveBytes[interleave]).c_str()
                                                    : T::Format("??%u", interleave).c_str(),
                     1u << (2 * timeout)); // 1 s times a power of four
}

void DecodeDevice(CDvsecRegisters& regs)
{
    regs.Add(pci::kCxlCapOffset, 2, "CXLCap", [](uint32_t v) {
        return T::Format("Cache%s IO%s Mem%s Mem HW Init%s HDMCount %u Viral%s", T::Bit(v, 0), T::Bit(v, 1),
                         T::Bit(v, 2), T::Bit(v, 3), T::Field(v, pci::kCxlHdmCountShift, pci::kCxlHdmCountMask),
                         T::Bit(v, pci::kCxlViralBit));
    });
    regs.Add(pci::kCxlControlOffset, 2, "CXLCtl", [](uint32_t v) {
        return T::Format("Cache%s IO%s Mem%s Cache SF Cov %u Cache SF Gran %u Cache Clean%s Viral%s", T::Bit(v, 0),
                         T::Bit(v, 1), T::Bit(v, 2),
                         T::Field(v, pci::kCxlSnoopCoverageShift, pci::kCxlSnoopCoverageMask),
                         T::Field(v, pci::kCxlSnoopGranularityShift, pci::kCxlSnoopGranularityMask), T::Bit(v, 11),
                         T::Bit(v, pci::kCxlViralBit));
    });
    regs.Add(pci::kCxlStatusOffset, 2, "CXLSta",
             [](uint32_t v) { return T::Format("Viral%s", T::Bit(v, pci::kCxlViralBit)); });
    regs.AddPlain(pci::kCxlControl2Offset, 2, "CXLCtl2");
    regs.Add(pci::kCxlStatus2Offset, 2, "CXLSta2", [](uint32_t v) {
        return T::Flags(v, {{1, "ResetComplete"}, {2, "ResetError"}, {15, "PMComplete"}});
    });
    regs.AddPlain(pci::kCxlLockOffset, 2, "CXLLock");
    regs.Add(pci::kCxlCap2Offset, 2, "CXLCap2", CacheSizeText);
    for (uint32_t i = 0; i < pci::kCxlRangeCount; ++i) {
        const uint32_t at = pci::kCxlRangeOffset + i * pci::kCxlRangeBytes;
        const uint64_t size = (uint64_t(regs.Read(at, 4)) << 32) |
            (regs.Read(at + pci::kCxlRangeSizeLowOffset, 4) & pci::kCxlRangeLowMask);
        regs.Add(at, 4, T::Format("Range%u Size High", i + 1), Hex32);
        regs.Add(at + pci::kCxlRangeSizeLowOffset, 4, T::Format("Range%u Size Low", i + 1), RangeFlagsText);
        regs.Add(at + pci::kCxlRangeBaseHighOffset, 4, T::Format("Range%u Base High", i + 1), Hex32);
        // The whole range, first and last byte; a size of 0 ends it below its base, as lspci prints it.
        regs.Add(at + pci::kCxlRangeBaseLowOffset, 4, T::Format("Range%u Base Low", i + 1), [&](uint32_t low) {
            const uint64_t base =
                (uint64_t(regs.Read(at + pci::kCxlRangeBaseHighOffset, 4)) << 32) | (low & pci::kCxlRangeLowMask);
            return T::Format("%016llx-%016llx", (unsigned long long)base, (unsigned long long)(base + size - 1));
        });
    }
}

void DecodePortExtensions(CDvsecRegisters& regs)
{
    regs.Add(pci::kCxlPortStatusOffset, 2, "CXLPortSta",
             [](uint32_t v) { return T::Format("PMComplete%s", T::Bit(v, pci::kCxlPortPmCompleteBit)); });
    regs.Add(pci::kCxlPortControlOffset, 2, "CXLPortCtl", [](uint32_t v) {
        return T::Flags(
            v, {{0, "UnmaskSBR"}, {1, "UnmaskLinkDisable"}, {2, "AltMem"}, {3, "AltBME"}, {14, "ViralEnable"}});
    });
    regs.Add(pci::kCxlAltBusOffset, 2, "Alternate Bus Base/Limit",
             [](uint32_t v) { return T::Format("%02x-%02x", v & pci::kCxlByteMask, v >> pci::kCxlByteShift); });
    const auto window = [](uint32_t v) {
        return T::Format("%04x-%04x", v & pci::kCxlHalfMask, v >> pci::kCxlHalfShift);
    };
    regs.Add(pci::kCxlAltMemoryOffset, 4, "Alternate Memory Base/Limit", window);
    regs.Add(pci::kCxlAltPrefetchOffset, 4, "Alternate Prefetchable Base/Limit", window);
    regs.Add(pci::kCxlAltPrefetchBaseHighOffset, 4, "Alternate Prefetchable Base Upper", Hex32);
    regs.Add(pci::kCxlAltPrefetchLimitHighOffset, 4, "Alternate Prefetchable Limit Upper", Hex32);
    regs.AddPlain(pci::kCxlRcrbBaseOffset, 4, "CXL RCRB Base");
    regs.AddPlain(pci::kCxlRcrbBaseHighOffset, 4, "CXL RCRB Base High");
}

void DecodeFlexBus(CDvsecRegisters& regs)
{
    regs.Add(pci::kCxlFlexBusCapOffset, 2, "FBCap", [](uint32_t v) {
        return T::Flags(v, {{0, "Cache"}, {1, "IO"}, {2, "Mem"}, {5, "68BFlit"}, {6, "MltLogDev"}});
    });
    regs.Add(pci::kCxlFlexBusControlOffset, 2, "FBCtl", [](uint32_t v) {
        return T::Flags(v,
                        {{0, "Cache"},
                         {1, "IO"},
                         {2, "Mem"},
                         {3, "SynHdrByp"},
                         {4, "DrftBuf"},
                         {5, "68BFlit"},
                         {6, "MltLogDev"},
                         {7, "RCD"},
                         {8, "Retimer1"},
                         {9, "Retimer2"}});
    });
    regs.Add(pci::kCxlFlexBusStatusOffset, 2, "FBSta", [](uint32_t v) {
        return T::Flags(
            v,
            {{0, "Cache"}, {1, "IO"}, {2, "Mem"}, {3, "SynHdrByp"}, {4, "DrftBuf"}, {5, "68BFlit"}, {6, "MltLogDev"}});
    });
    regs.Add(pci::kCxlFlexBusModifiedTsOffset, 4, "FBModTS",
             [](uint32_t v) { return T::Format("Received FB Data: %06x", v & pci::kCxlFlexBusModifiedTsMask); });
}

std::string RegisterBlockName(uint32_t id)
{
    switch (id) {
    case 0: return "empty";
    case 1: return "component registers";
    case 2: return "BAR virtualization";
    case 3: return "CXL device registers";
    case 4: return "CPMU registers";
    case pci::kCxlRegisterIdVendor: return "vendor-specific";
    default: return "<?>";
    }
}

void DecodeRegisterLocator(CDvsecRegisters& regs)
{
    const uint32_t blocks = regs.Length() > pci::kCxlRegisterBlockOffset
        ? (regs.Length() - pci::kCxlRegisterBlockOffset) / pci::kCxlRegisterBlockBytes
        : 0;
    for (uint32_t i = 0; i < blocks; ++i) {
        const uint32_t at = pci::kCxlRegisterBlockOffset + i * pci::kCxlRegisterBlockBytes;
        const uint32_t high = regs.Read(at + pci::kCxlRegisterOffsetHighOffset, 4);
        regs.Add(at, 4, T::Format("Block%u", i + 1), [&](uint32_t low) {
            const uint64_t offset = (uint64_t(high) << 32) | (low & pci::kCxlRegisterOffsetLowMask);
            return T::Format(
                "BIR: bar%u, ID: %s, offset: %016llx", low & pci::kCxlRegisterBirMask,
                RegisterBlockName(T::Field(low, pci::kCxlRegisterIdShift, pci::kCxlRegisterIdMask)).c_str(),
                (unsigned long long)offset);
        });
        regs.Add(at + pci::kCxlRegisterOffsetHighOffset, 4, T::Format("Block%u Offset High", i + 1), Hex32);
    }
}

} // namespace

uint32_t CCxlDvsecRows::Decode(CCapabilityRows& rows, uint16_t id, uint32_t length)
{
    CDvsecRegisters regs(rows, length);
    switch (id) {
    case pci::kCxlDvsecDevice: DecodeDevice(regs); break;
    case pci::kCxlDvsecFunctionMap:
        for (uint32_t i = 0; i < pci::kCxlFunctionMapCount; ++i)
            regs.Add(pci::kCxlFunctionMapOffset + 4 * i, 4, T::Format("FuncMap %u", i), Hex32);
        break;
    case pci::kCxlDvsecPortExtensions: DecodePortExtensions(regs); break;
    case pci::kCxlDvsecGpfPort:
        regs.Add(pci::kCxlGpfPhase1Offset, 2, "GPF Phase 1 Timeout", TimeText);
        regs.Add(pci::kCxlGpfPhase2Offset, 2, "GPF Phase 2 Timeout", TimeText);
        break;
    case pci::kCxlDvsecGpfDevice:
        regs.Add(pci::kCxlGpfDurationOffset, 2, "GPF Phase 2 Duration", TimeText);
        regs.Add(pci::kCxlGpfPowerOffset, 4, "GPF Phase 2 Power", [](uint32_t v) { return T::Format("%umW", v); });
        break;
    case pci::kCxlDvsecFlexBusPort: DecodeFlexBus(regs); break;
    case pci::kCxlDvsecRegisterLocator: DecodeRegisterLocator(regs); break;
    default: break;
    }
    return regs.End();
}
