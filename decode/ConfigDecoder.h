#pragma once
// Turns registers of a 256-byte configuration image into the texts of the
// "Decoded Information" column. Holds the display mode that the BAR and
// capability texts and the Offset and Value columns depend on.
#include "pci/ConfigSpace.h"

#include <stdint.h>

#include <string>
#include <vector>

// One entry of a capability list: its dword index in the image and its first byte.
struct CapabilityRecord
{
    uint32_t index;
    const uint8_t* bytes;
};

class CConfigDecoder {
public:
    static constexpr uint32_t kImageSize = pci::kConfigSpaceBytes;
    // What a register or unit shows instead of a number when its read failed.
    static constexpr char kUnreadText[] = "--";

    explicit CConfigDecoder(bool hexMode = true) : m_hexMode(hexMode) {}
    virtual ~CConfigDecoder() = default;

    bool IsHexMode() const { return m_hexMode; }

    // Column texts that follow the display mode.
    std::string FormatOffset(uint32_t offset) const;
    std::string FormatValue(uint32_t value, uint32_t size) const;
    static const char* FormatSize(uint32_t size);

    // Decoders of one register each; config is the 256-byte image.
    static std::string DecodeCommand(const uint8_t* config);
    static std::string DecodeStatus(const uint8_t* config);
    static std::string DecodeCacheLineSize(const uint8_t* config);
    static std::string DecodeLatencyTimer(const uint8_t* config);
    static std::string DecodeBist(const uint8_t* config);
    static std::string DecodeInterruptLine(const uint8_t* config);
    static std::string DecodeInterruptPin(const uint8_t* config);
    static std::string DecodeMinGrant(const uint8_t* config);
    static std::string DecodeMaxLatency(const uint8_t* config);
    static std::string DecodeIoBase(const uint8_t* config);
    static std::string DecodeIoLimit(const uint8_t* config);
    static std::string DecodeMemoryBase(const uint8_t* config);
    static std::string DecodeMemoryLimit(const uint8_t* config);
    static std::string DecodePrefetchableBase(const uint8_t* config);
    static std::string DecodePrefetchableLimit(const uint8_t* config);
    static std::string DecodeClassCode(const uint8_t* config);
    static std::string DecodeSubclass(const uint8_t* config);

    // value: the BAR; upper: the high half of a 64-bit address; size: 0 when unknown.
    // is64Bit (optional) receives whether the BAR is a 64-bit memory BAR.
    std::string DecodeBar(uint32_t value, uint32_t upper, uint64_t size, bool* is64Bit = nullptr) const;
    std::string FormatBarSize(uint64_t size) const;

    // The text of the row at dword index, from the first record there with a known ID.
    std::string DecodeCapability(uint32_t index, const std::vector<CapabilityRecord>& records) const;

protected:
    void SetDisplayMode(bool hexMode) { m_hexMode = hexMode; }

private:
    std::string DecodeKnownCapability(const CapabilityRecord& record) const;
    std::string DecodePowerManagement(const CapabilityRecord& record) const;
    std::string DecodeAgp(const CapabilityRecord& record) const;
    std::string DecodeVpd(const CapabilityRecord& record) const;
    std::string DecodeSlotIdentification(const CapabilityRecord& record) const;
    std::string DecodeMsi(const CapabilityRecord& record) const;
    std::string FormatField(const CapabilityRecord& record, uint32_t offset, uint32_t size) const;

    bool m_hexMode;
};
