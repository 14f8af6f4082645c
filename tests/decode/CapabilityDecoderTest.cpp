// The capability decoder on hand-made spaces: the listing's form, walks over
// broken lists, and lengths and pointers that run off the space. Each space is
// decoded from a heap block of exactly its size, so a sanitizer build catches
// any read past it.
#include "decode/CapabilityDecoder.h"
#include "decode/CapabilityListing.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSmall = 256;
constexpr uint32_t kLarge = 4096;

// A function space with the capabilities list bit set and a PCI Express endpoint at 40h.
class CSpace {
public:
    explicit CSpace(uint32_t size = kLarge, bool express = true) : m_bytes(size)
    {
        Set16(0x06, 0x0010);
        if (express)
            Set8(0x34, 0x40).Set8(0x40, 0x10).Set16(0x42, 0x0002);
    }
    CSpace& Set8(uint32_t offset, uint8_t value)
    {
        m_bytes.at(offset) = value;
        return *this;
    }
    CSpace& Set16(uint32_t offset, uint16_t value) { return Set8(offset, uint8_t(value)).Set8(offset + 1, value >> 8); }
    CSpace& Set32(uint32_t offset, uint32_t value)
    {
        return Set16(offset, uint16_t(value)).Set16(offset + 2, uint16_t(value >> 16));
    }
    // An extended header: ID, version 1, next pointer.
    CSpace& Ext(uint32_t offset, uint16_t id, uint32_t next) { return Set32(offset, id | 0x10000u | (next << 20)); }

    CapabilityList Decode() const
    {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[m_bytes.size()]);
        std::copy(m_bytes.begin(), m_bytes.end(), exact.get());
        return CCapabilityDecoder(exact.get(), uint32_t(m_bytes.size())).Decode();
    }

private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint32_t> Offsets(const CapabilityList& list)
{
    std::vector<uint32_t> offsets;
    for (const Capability& capability : list.capabilities)
        offsets.push_back(capability.offset);
    return offsets;
}

TEST(CapabilityDecoder, ListingLinesInPageOrder)
{
    CSpace space;
    space.Set8(0x41, 0x90).Set8(0x90, 0x16).Ext(0x100, 0x0001, 0x140).Ext(0x140, 0x0035, 0);
    EXPECT_EQ(CCapabilityListing::Lines(0, 28, 7, space.Decode()),
              "0.28.7\t040h\tstandard\t10h\tPCI Express\n"
              "0.28.7\t090h\tstandard\t16h\tCapability 16h\n"
              "0.28.7\t100h\textended\t0001h\tAdvanced Error Reporting\n"
              "0.28.7\t140h\textended\t0035h\tExtended Capability 0035h\n");

    // A broken list ends with its notes: each problem, then the walks that stopped early.
    CSpace broken;
    broken.Set8(0x41, 0xFC).Set8(0xFC, 0x05).Set8(0xFD, 0x40).Ext(0x100, 0x0001, 0x100);
    EXPECT_EQ(CCapabilityListing::Lines(0, 1, 0, broken.Decode()),
              "0.1.0\t040h\tstandard\t10h\tPCI Express\n"
              "0.1.0\t0FCh\tstandard\t05h\tMSI\n"
              "0.1.0\t100h\textended\t0001h\tAdvanced Error Reporting\n"
              "0.1.0\tproblem at 0FCh: register at 100h runs past 100h\n"
              "0.1.0\twalk stopped: the list loops back to 040h\n"
              "0.1.0\twalk stopped: the list loops back to 100h\n");
}

struct WalkCase
{
    const char* name;
    std::function<void(CSpace&)> build;
    std::vector<uint32_t> offsets;
    const char* standardEnd; // a part of the reason, or "" for a clean end
    const char* extendedEnd;
    uint32_t size = kLarge;
};

TEST(CapabilityDecoder, BrokenListsShowWhatWasFoundAndStop)
{
    const std::vector<WalkCase> cases = {
        {"standard cycle",
         [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x01).Set8(0x81, 0x40); },
         {0x40, 0x80},
         "loops back to 040h",
         ""},
        {"pointer into the header",
         [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x01).Set8(0x81, 0x10); },
         {0x40, 0x80, 0x10},
         "lands in the header",
         ""},
        {"ID FFh", [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0xFF); }, {0x40}, "chain is broken", ""},
        {"low pointer bits ignored", [](CSpace& s) { s.Set8(0x41, 0x83).Set8(0x80, 0x01); }, {0x40, 0x80}, "", ""},
        {"no list bit", [](CSpace& s) { s.Set16(0x06, 0); }, {}, "", ""},
        {"extended cycle",
         [](CSpace& s) { s.Ext(0x100, 3, 0x140).Ext(0x140, 0x18, 0x100); },
         {0x40, 0x100, 0x140},
         "",
         "loops back to 100h"},
        {"extended self loop", [](CSpace& s) { s.Ext(0x100, 1, 0x100); }, {0x40, 0x100}, "", "loops back to 100h"},
        {"extended pointer below 100h",
         [](CSpace& s) { s.Ext(0x100, 3, 0x0C0); },
         {0x40, 0x100},
         "",
         "lies below 100h"},
        {"extended header all ones",
         [](CSpace& s) { s.Ext(0x100, 3, 0x200).Set32(0x200, 0xFFFFFFFF); },
         {0x40, 0x100},
         "",
         "reads FFFFFFFFh"},
        {"extended header 0 past 100h",
         [](CSpace& s) { s.Ext(0x100, 3, 0x200); },
         {0x40, 0x100},
         "",
         "reads 00000000h"},
        {"unaligned extended pointer",
         [](CSpace& s) { s.Ext(0x100, 3, 0x123).Ext(0x120, 0x18, 0); },
         {0x40, 0x100, 0x120},
         "",
         ""},
        {"conventional space only", [](CSpace& s) { (void)s; }, {0x40}, "", "", kSmall},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSpace space(c.size);
        c.build(space);
        const CapabilityList list = space.Decode();
        EXPECT_EQ(c.offsets, Offsets(list));
        EXPECT_NE(list.standardEnd.find(c.standardEnd), std::string::npos) << list.standardEnd;
        EXPECT_NE(list.extendedEnd.find(c.extendedEnd), std::string::npos) << list.extendedEnd;
        EXPECT_EQ(*c.standardEnd == 0, list.standardEnd.empty()) << list.standardEnd;
        EXPECT_EQ(*c.extendedEnd == 0, list.extendedEnd.empty()) << list.extendedEnd;
    }
}

TEST(CapabilityDecoder, ExtendedWalkNeedsExpressAndStopsAtEveryDwordVisitedOnce)
{
    CSpace conventional(kLarge, false);
    conventional.Ext(0x100, 1, 0);
    EXPECT_TRUE(Offsets(conventional.Decode()).empty());

    // Every dword of the extended space in one chain, the last one pointing back to the first.
    CSpace full;
    for (uint32_t offset = 0x100; offset < kLarge; offset += 4)
        full.Ext(offset, 0x0B, offset + 4 < kLarge ? offset + 4 : 0x100);
    const CapabilityList list = full.Decode();
    EXPECT_EQ(list.capabilities.size(), 1u + 960u);
    EXPECT_NE(list.extendedEnd.find("loops back"), std::string::npos);
}

struct BoundsCase
{
    const char* name;
    std::function<void(CSpace&)> build;
    uint32_t offset;     // the capability with the problem
    const char* problem; // a part of its problem text
};

TEST(CapabilityDecoder, DeclaredLengthsAndPointersAreCheckedAgainstTheSpace)
{
    const std::vector<BoundsCase> cases = {
        {"VSEC length", [](CSpace& s) { s.Ext(0x100, 0x0B, 0xF00).Ext(0xF00, 0x0B, 0).Set32(0xF04, 0x200u << 20); },
         0xF00, "vendor-specific length 512 bytes runs past 1000h"},
        {"DVSEC length", [](CSpace& s) { s.Ext(0x100, 0x23, 0).Set32(0x104, 0xFFFu << 20); }, 0x100,
         "DVSEC length 4095 bytes"},
        {"standard vendor length", [](CSpace& s) { s.Set8(0x41, 0xF0).Set8(0xF0, 0x09).Set8(0xF2, 0x40); }, 0xF0,
         "runs past 100h"},
        {"DOE mailboxes", [](CSpace& s) { s.Ext(0x100, 0x2E, 0xFF0).Ext(0xFF0, 0x2E, 0); }, 0xFF0, "DOE mailboxes"},
        {"serial number at the last dword", [](CSpace& s) { s.Ext(0x100, 0x03, 0xFFC).Ext(0xFFC, 0x03, 0); }, 0xFFC,
         "register at 1000h runs past 1000h"},
        {"64-bit MSI at FCh", [](CSpace& s) { s.Set8(0x41, 0xFC).Set8(0xFC, 0x05).Set16(0xFE, 0x0080); }, 0xFC,
         "runs past 100h"},
        {"MSI-X BIR", [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x11).Set32(0x84, 7); }, 0x80,
         "BIR 7 names no BAR"},
        {"resizable BAR count", [](CSpace& s) { s.Ext(0x100, 0x15, 0); }, 0x100, "0 resizable BARs"},
        {"VC resources", [](CSpace& s) { s.Ext(0x100, 0x02, 0xFF0).Ext(0xFF0, 0x02, 0).Set32(0xFF4, 7); }, 0xFF0,
         "VC resource list"},
        {"EA entries", [](CSpace& s) { s.Set8(0x41, 0xF8).Set8(0xF8, 0x14).Set8(0xFA, 0x3F).Set32(0xFC, 7); }, 0xF8,
         "runs past 100h"},
        {"VC arbitration table", [](CSpace& s) { s.Ext(0x100, 0x02, 0xFD0).Ext(0xFD0, 0x02, 0).Set32(0xFD8, 0x03000002); },
         0xFD0, "arbitration table"},
        {"HyperTransport slave at F0h", [](CSpace& s) { s.Set8(0x41, 0xF0).Set8(0xF0, 0x08).Set8(0xFC, 0x22); }, 0xF0,
         "register at 100h runs past 100h"},
    };
    for (const BoundsCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSpace space;
        c.build(space);
        const CapabilityList list = space.Decode();
        const Capability* found = nullptr;
        for (const Capability& capability : list.capabilities) {
            if (capability.offset == c.offset)
                found = &capability;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_NE(found->problem.find(c.problem), std::string::npos) << found->problem;
        for (const CapabilityRow& row : found->rows)
            EXPECT_LE(row.offset + row.size, row.offset >= 0x100 ? kLarge : kSmall) << row.name;
    }
}

struct RowCase
{
    const char* name;
    std::function<void(CSpace&)> build;
    const char* row;
    const char* text; // the row's whole text; nullptr: no such row
};

// Texts where lspci has no reading or a wrong one, and the tables lspci marks "<?>".
TEST(CapabilityDecoder, RowTextsBeyondLspcisReading)
{
    const auto vc = [](CSpace& s, uint32_t cap2, uint16_t control, uint32_t resourceCap, uint32_t resourceControl) {
        s.Ext(0x100, 0x02, 0).Set32(0x104, 0x00000800).Set32(0x108, cap2).Set16(0x10C, control);
        s.Set32(0x110, resourceCap).Set32(0x114, resourceControl);
        for (uint32_t at = 0x130; at < 0x1B0; at += 4)
            s.Set32(at, 0x76543210);
    };
    const auto dvsec = [](CSpace& s, uint16_t id, uint32_t length) {
        s.Ext(0x100, 0x23, 0).Set32(0x104, 0x1E98 | (length << 20)).Set16(0x108, id);
    };
    const auto virtio = [](CSpace& s, uint16_t device, uint8_t type) {
        s.Set16(0x00, 0x1AF4).Set16(0x02, device).Set8(0x41, 0x60).Set8(0x60, 0x09).Set8(0x62, 16).Set8(0x63, type);
    };
    const std::vector<RowCase> cases = {
        {"VC table of the selected WRR64", [&](CSpace& s) { vc(s, 0x03000007, 2 << 1, 0, 0); },
         "VC Arbitration Table +1Ch", "Phase 56-63: 0 1 2 3 4 5 6 7"},
        {"VC table past WRR32's end", [&](CSpace& s) { vc(s, 0x03000003, 1 << 1, 0, 0); },
         "VC Arbitration Table +10h", nullptr},
        {"port table of the largest offered scheme while fixed is selected",
         [&](CSpace& s) { vc(s, 0, 0, 0x03000009, 0); }, "VC0 Port Arbitration Table +3Ch",
         "Phase 120-127: 0 1 2 3 4 5 6 7"},
        {"reserved VC select", [&](CSpace& s) { vc(s, 0, 5 << 1, 0, 0); }, "Port VC Control", "ArbSelect=??5"},
        {"CXL time at the 10 s scale", [&](CSpace& s) { dvsec(s, 4, 16); s.Set16(0x10C, 0x0705); },
         "GPF Phase 1 Timeout", "50s"},
        {"CXL reserved time scale", [&](CSpace& s) { dvsec(s, 4, 16); s.Set16(0x10E, 0x0905); },
         "GPF Phase 2 Timeout", "5, reserved time scale 9"},
        {"CXL function map in full", [&](CSpace& s) { dvsec(s, 2, 44); s.Set32(0x128, 0x80000001); },
         "FuncMap 7", "80000001"},
        {"CXL register past the declared length", [&](CSpace& s) { dvsec(s, 0, 0x18); }, "Range1 Size High",
         nullptr},
        {"virtio PCI configuration access", [&](CSpace& s) { virtio(s, 0x1041, 5); }, "Configuration Type",
         "VirtIO: <unknown>"},
        {"virtio vendor, other device", [&](CSpace& s) { virtio(s, 0x1100, 1); }, "Configuration Type", nullptr},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSpace space;
        c.build(space);
        const CapabilityList list = space.Decode();
        const CapabilityRow* found = nullptr;
        for (const Capability& capability : list.capabilities) {
            for (const CapabilityRow& row : capability.rows) {
                if (row.name == c.row)
                    found = &row;
            }
        }
        if (c.text == nullptr) {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->text, c.text);
    }
}

struct RowTextCase
{
    const char* name;
    std::function<void(CSpace&)> build;
    uint32_t offset; // of the row, from the start of the space
    const char* text;
};

// HyperTransport readings where lspci knows less: block types it only numbers, and the
// frequency capability bits above the low byte it reads.
TEST(CapabilityDecoder, HyperTransportReadsPastLspci)
{
    const std::vector<RowTextCase> cases = {
        {"Gen3 block", [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x08).Set16(0x82, 0xD000); }, 0x82, "Gen3"},
        {"high node count block", [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x08).Set16(0x82, 0xE800); }, 0x82,
         "High Node Count"},
        {"reserved block", [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x08).Set16(0x82, 0xF800); }, 0x82, "#1f"},
        {"1.4GHz, 1.6GHz and vendor frequencies",
         [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x08).Set8(0x8C, 0x22).Set16(0x8E, 0x8300); }, 0x8E,
         "200MHz- 300MHz- 400MHz- 500MHz- 600MHz- 800MHz- 1.0GHz- 1.2GHz- 1.4GHz+ 1.6GHz+ Vend+"},
    };
    for (const RowTextCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSpace space;
        c.build(space);
        std::vector<std::string> texts;
        for (const Capability& capability : space.Decode().capabilities) {
            for (const CapabilityRow& row : capability.rows) {
                if (row.offset == c.offset)
                    texts.push_back(row.text);
            }
        }
        EXPECT_EQ(texts, std::vector<std::string>{c.text});
    }
}

struct NamedRowCase
{
    const char* name;
    std::function<void(CSpace&)> build;
    const char* row;  // the row's name; it must appear once
    const char* text; // its decoded text
};

// Texts lspci does not print, or prints only for well-formed registers.
TEST(CapabilityDecoder, RowTextsOfWideAndPackedRegisters)
{
    const std::vector<NamedRowCase> cases = {
        {"EA base marked 64-bit in an entry without its upper half",
         [](CSpace& s) {
             s.Set8(0x41, 0x80).Set8(0x80, 0x14).Set8(0x82, 1).Set32(0x84, 0x80000002).Set32(0x88, 0xF0000002);
         },
         "Entry 0 Base", "Base: f0000000"},
        {"64-bit VF BAR in the last slot, with no BAR above it",
         [](CSpace& s) { s.Ext(0x100, 0x10, 0).Set32(0x138, 0xF000000C); }, "VF BAR 5",
         "Memory at 00000000f0000000 (64-bit, prefetchable)"},
        {"power budget entry in tenths of a watt",
         [](CSpace& s) { s.Ext(0x100, 0x04, 0).Set32(0x108, 25 | (1 << 8) | (3 << 13) | (7 << 15) | (1 << 18)); },
         "Data", "Power 2.5W, PM State D3.0, Type Maximum, Rail 3.3V"},
        {"AGP status with the isochronous, request size and calibration fields",
         [](CSpace& s) { s.Set8(0x41, 0x80).Set8(0x80, 0x02).Set8(0x82, 0x30).Set32(0x84, 0x1F01AF53); }, "Status",
         "RQ=32 Iso+ ArqSz=5 Cal=3 SBA+ ITACoh+ GART64- HTrans+ 64bit- FW+ AGP3- Rate=x1,x2"},
        {"PCI-X bridge secondary bus flags and clock",
         [](CSpace& s) { s.Set8(0x0E, 1).Set8(0x41, 0x80).Set8(0x80, 0x07).Set16(0x82, 0x0085); }, "Secondary Status",
         "64bit+ 133MHz- SCD+ USC- SCO- SRD- Freq=100MHz"},
        {"PCI-X bridge split transaction capacity and limit",
         [](CSpace& s) { s.Set8(0x0E, 1).Set8(0x41, 0x80).Set8(0x80, 0x07).Set32(0x88, 0x04030201); },
         "Upstream Split Transaction Control", "Capacity=513 CommitmentLimit=1027"},
        {"event collector's bus range", [](CSpace& s) { s.Set32(0x100, 0x00020007).Set32(0x108, 0x0300); },
         "Associated Bus Numbers", "03-00"},
    };
    for (const NamedRowCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSpace space;
        c.build(space);
        std::vector<std::string> texts;
        for (const Capability& capability : space.Decode().capabilities) {
            for (const CapabilityRow& row : capability.rows) {
                if (row.name == c.row)
                    texts.push_back(row.text);
            }
        }
        EXPECT_EQ(texts, std::vector<std::string>{c.text});
    }
}

} // namespace
