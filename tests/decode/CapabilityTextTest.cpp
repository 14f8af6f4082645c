// Capability texts for one row: known IDs in both modes, unknown IDs, fields near the image end.
#include "tests/decode/ConfigImage.h"

#include "decode/ConfigDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CapabilityRecord At(const CConfigImage& image, uint32_t offset)
{
    return {offset / 4, image.Data() + offset};
}

TEST(CapabilityText, MsiInBothFormsAndModes)
{
    CConfigImage image;
    image.Set8(0x60, 0x05).Set16(0x62, 0x0080).Set32(0x64, 0x800).Set32(0x68, 0).Set16(0x6C, 0x41);
    image.Set8(0x80, 0x05).Set16(0x82, 0x0000).Set32(0x84, 0xFEE00000).Set16(0x88, 0x4021);
    const std::vector<CapabilityRecord> records = {At(image, 0x60), At(image, 0x80)};
    const CConfigDecoder hex(true);
    const CConfigDecoder decimal(false);

    EXPECT_EQ(hex.DecodeCapability(0x60 / 4, records),
              "New Capability: MSI (Message Control Register = 0080h, Lower Message Address Register = 00000800h, "
              "Upper Message Address Register = 00000000h, Message Data Register = 0041h)");
    EXPECT_EQ(decimal.DecodeCapability(0x60 / 4, records),
              "New Capability: MSI (Message Control Register = 128d, Lower Message Address Register = 2048d, "
              "Upper Message Address Register = 0d, Message Data Register = 65d)");
    EXPECT_EQ(hex.DecodeCapability(0x80 / 4, records),
              "New Capability: MSI (Message Control Register = 0000h, Message Address Register = FEE00000h, "
              "Message Data Register = 4021h)");
    EXPECT_EQ(decimal.DecodeCapability(0x80 / 4, records),
              "New Capability: MSI (Message Control Register = 0d, Message Address Register = 4276092928d, "
              "Message Data Register = 16417d)");
    EXPECT_EQ(hex.DecodeCapability(0x64 / 4, records), "");
}

TEST(CapabilityText, FieldCapabilitiesInBothModes)
{
    CConfigImage image;
    image.Set8(0x40, 0x01).Set16(0x42, 0x0622).Set16(0x44, 0x0008).Set8(0x46, 0x40).Set8(0x47, 0x07);
    image.Set8(0x50, 0x02).Set32(0x54, 0x1F000217).Set32(0x58, 0x00000104);
    image.Set8(0x60, 0x03).Set16(0x62, 0x8010).Set32(0x64, 0xDEADBEEF);
    image.Set8(0x70, 0x04).Set8(0x72, 0x03).Set8(0x73, 0x01);
    const std::vector<CapabilityRecord> records = {At(image, 0x40), At(image, 0x50), At(image, 0x60),
                                                   At(image, 0x70)};
    const CConfigDecoder hex(true);
    const CConfigDecoder decimal(false);

    EXPECT_EQ(hex.DecodeCapability(0x10, records),
              "New Capability: PCI Power Management (Power Management Capabilities = 0622h, Control/Status Register = "
              "0008h, Bridge Support Extensions = 40h, Data Register = 07h)");
    EXPECT_EQ(decimal.DecodeCapability(0x10, records),
              "New Capability: PCI Power Management (Power Management Capabilities = 1570d, Control/Status Register = "
              "8d, Bridge Support Extensions = 64d, Data Register = 7d)");
    EXPECT_EQ(hex.DecodeCapability(0x14, records),
              "New Capability: AGP (AGP Status Register = 1F000217h, AGP Command Register = 00000104h)");
    EXPECT_EQ(decimal.DecodeCapability(0x14, records),
              "New Capability: AGP (AGP Status Register = 520094231d, AGP Command Register = 260d)");
    EXPECT_EQ(hex.DecodeCapability(0x18, records),
              "New Capability: VPD (VPD Address Register = 8010h, VPD Data Register = DEADBEEFh)");
    EXPECT_EQ(decimal.DecodeCapability(0x18, records),
              "New Capability: VPD (VPD Address Register = 32784d, VPD Data Register = 3735928559d)");
    EXPECT_EQ(hex.DecodeCapability(0x1C, records),
              "New Capability: Slot Identification (Expansion Slot Register = 03h, Chassis Number = 01h)");
    EXPECT_EQ(decimal.DecodeCapability(0x1C, records),
              "New Capability: Slot Identification (Expansion Slot Register = 3d, Chassis Number = 1d)");
}

TEST(CapabilityText, PlainKindsAndUnknownIds)
{
    const char* const plain[] = {
        "New Capability: CompactPCI Hot Swap",
        "New Capability: PCI-X",
        "New Capability: Reserved for AMD",
        "New Capability: Vendor Specific",
        "New Capability: Debug Port",
        "New Capability: CompactPCI Central Resource Control",
        "New Capability: PCI Hot plug",
    };
    const CConfigDecoder decimal(false);
    for (uint8_t id = 6; id <= 12; ++id) {
        SCOPED_TRACE(testing::Message() << "ID " << int(id));
        CConfigImage image;
        image.Set8(0xA0, id).Set32(0xA4, 0x12345678);
        EXPECT_EQ(decimal.DecodeCapability(0xA0 / 4, {At(image, 0xA0)}), plain[id - 6]);
    }
    for (uint8_t id : {0x00, 0x0D, 0x10, 0xFF}) {
        SCOPED_TRACE(testing::Message() << "ID " << int(id));
        CConfigImage image;
        image.Set8(0xA0, id);
        EXPECT_EQ(decimal.DecodeCapability(0xA0 / 4, {At(image, 0xA0)}), "");
    }
}

TEST(CapabilityText, LaterRecordAtTheSameDwordAnswersWhenTheFirstIsUnknown)
{
    CConfigImage unknown;
    unknown.Set8(0x80, 0x10);
    CConfigImage slot;
    slot.Set8(0x80, 0x04).Set8(0x82, 0x05).Set8(0x83, 0x02);
    const CConfigDecoder hex(true);
    EXPECT_EQ(hex.DecodeCapability(0x20, {At(unknown, 0x80), At(slot, 0x80)}),
              "New Capability: Slot Identification (Expansion Slot Register = 05h, Chassis Number = 02h)");
    EXPECT_EQ(hex.DecodeCapability(0x20, {At(slot, 0x80), At(unknown, 0x80)}),
              "New Capability: Slot Identification (Expansion Slot Register = 05h, Chassis Number = 02h)");
}

TEST(CapabilityText, FieldsPastTheImageEndShowNotAvailable)
{
    CConfigImage image;
    image.Set8(0xF4, 0x05).Set16(0xF6, 0x0080).Set32(0xF8, 0xFEE00000).Set32(0xFC, 0x1);
    const CConfigDecoder hex(true);
    EXPECT_EQ(hex.DecodeCapability(0xF4 / 4, {At(image, 0xF4)}),
              "New Capability: MSI (Message Control Register = 0080h, Lower Message Address Register = FEE00000h, "
              "Upper Message Address Register = 00000001h, Message Data Register = n/a)");

    CConfigImage last;
    last.Set8(0xFC, 0x01).Set16(0xFE, 0xC803);
    const CConfigDecoder decimal(false);
    EXPECT_EQ(decimal.DecodeCapability(0xFC / 4, {At(last, 0xFC)}),
              "New Capability: PCI Power Management (Power Management Capabilities = 51203d, Control/Status Register "
              "= n/a, Bridge Support Extensions = n/a, Data Register = n/a)");

    last.Set8(0xFC, 0x02);
    EXPECT_EQ(hex.DecodeCapability(0xFC / 4, {At(last, 0xFC)}),
              "New Capability: AGP (AGP Status Register = n/a, AGP Command Register = n/a)");
}

}  // namespace
