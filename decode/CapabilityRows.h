#pragma once
// Collects the register rows of one capability while keeping every read
// inside the region the capability may use; the first register that would
// reach past it ends the rows and is reported as the capability's problem.
#include "decode/CapabilityList.h"

#include "pci/RegisterCatalogue.h"

#include <stdint.h>

#include <string>
#include <utility>

class CCapabilityRows {
public:
    // Port type of the function's PCI Express capability, when it has none.
    static constexpr int kNoPortType = -1;

    // limit: the end of the region this capability's registers may occupy.
    CCapabilityRows(const uint8_t* space, uint32_t limit, Capability& capability, int portType)
        : m_space(space), m_limit(limit), m_capability(capability), m_portType(portType)
    {
    }

    uint32_t Base() const { return m_capability.offset; }
    uint32_t Limit() const { return m_limit; }
    int PortType() const { return m_portType; }
    // Maximum link width from the PCI Express capability: how many lanes per-lane registers describe.
    uint32_t LinkWidth() const { return m_linkWidth; }
    void SetLinkWidth(uint32_t width) { m_linkWidth = width; }
    Capability& Entry() { return m_capability; }
    // The function's own IDs, for capabilities whose layout depends on the device.
    uint16_t VendorId() const;
    uint16_t DeviceId() const;
    // BARs the function's header type has: what a BAR indicator may name.
    uint32_t BarCount() const;

    // offset is from the capability's first byte.
    bool Fits(uint32_t offset, uint32_t size) const;
    uint32_t Read(uint32_t offset, uint32_t size) const;

    // Adds the row when the register fits; text(value) gives its decoded text.
    template <class TextFn>
    bool Add(uint32_t offset, uint32_t size, std::string name, TextFn text)
    {
        if (!Check(offset, size))
            return false;
        const uint32_t value = Read(offset, size);
        Push(offset, size, std::move(name), value, text(value));
        return true;
    }
    // The same, named as the register catalogue names the register at offset.
    template <class TextFn>
    bool Add(uint32_t offset, uint32_t size, TextFn text)
    {
        return Add(offset, size, CatalogueName(offset), text);
    }
    // The catalogue's table of this capability (null when it has none), for names.
    void SetBlock(const pci::CRegisterBlock* block) { m_block = block; }
    // The catalogue's name of the register at offset from the capability's first byte,
    // numbered when the table repeats it; "+XXXh" when the table does not name it.
    std::string CatalogueName(uint32_t offset) const;
    // A register shown by value only.
    bool AddPlain(uint32_t offset, uint32_t size, std::string name);
    // Vendor-defined bytes [first, end): naturally aligned rows, as wide as alignment and the end allow,
    // so that each can be written back with one configuration access.
    void AddPlainRange(uint32_t first, uint32_t end, const char* prefix);

    // A length the capability declares for itself: false (and a problem) when it runs past the limit.
    bool CheckDeclared(uint32_t length, const char* what);
    // A pointer that must land inside the space, such as a mailbox or a table location.
    void Problem(std::string text);
    bool Stopped() const { return m_stopped; }

private:
    bool Check(uint32_t offset, uint32_t size);
    void Push(uint32_t offset, uint32_t size, std::string name, uint32_t value, std::string text);

    const uint8_t* m_space;
    uint32_t m_limit;
    Capability& m_capability;
    int m_portType;
    const pci::CRegisterBlock* m_block = nullptr;
    uint32_t m_linkWidth = 0;
    bool m_stopped = false;
};
