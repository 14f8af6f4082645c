// Class and subclass names: exact matches, the entries for any interface, no fallback.
#include "tests/decode/ConfigImage.h"

#include "decode/ConfigDecoder.h"

#include <gtest/gtest.h>

namespace {

struct CClassCase
{
    uint8_t baseClass;
    uint8_t subclass;
    uint8_t programmingInterface;
    const char* classText;
    const char* subclassText;
};

TEST(ClassCode, NamesFollowTheTableWithoutFallback)
{
    const CClassCase cases[] = {
        {0x00, 0x00, 0x00, "", ""},
        {0x00, 0x01, 0x00, "", "VGA-Compatible Device"},
        {0x01, 0x01, 0x8A, "Mass Storage Controller", "IDE Controller"},
        {0x01, 0x01, 0x80, "Mass Storage Controller", "IDE Controller"},
        {0x06, 0x08, 0x42, "Bridge Device", "RACEWay Bridge"},
        {0x0E, 0x00, 0x01, "Intelligent I/O Controller", "I2O (Intelligent I/O) Controller"},
        {0x0C, 0x03, 0x20, "Serial Bus Controller", ""},  // known subclass, unlisted interface
        {0x0C, 0x03, 0x10, "Serial Bus Controller",
         "USB (Universal Serial Bus) Controller using OHCI (Open Host Controller Interface)"},
        {0x06, 0x00, 0x00, "Bridge Device", "Host/PCI Bridge"},
        {0x06, 0x04, 0x01, "Bridge Device", "Subtractive-decode PCI/PCI Bridge"},
        {0x03, 0x00, 0x01, "Display Controller", "8514-Compatible Controller"},
        {0x02, 0x80, 0x00, "Network Controller", "Unknown Network Controller"},
        {0x02, 0x80, 0x01, "Network Controller", ""},
        {0x08, 0x00, 0x10, "Base System Peripheral", "I/O APIC Interrupt Controller"},
        {0x08, 0x00, 0x20, "Base System Peripheral", "I/O APIC Interrupt Controller"},
        {0x0F, 0x00, 0x00, "Satellite Communications Controller", ""},
        {0x0F, 0x80, 0x00, "Satellite Communications Controller", ""},
        {0x11, 0x80, 0x00, "Data Aquisition and Signal Processing Controller",
         "Unknown Data Aquisition and Signal Processing Controller"},
        {0x12, 0x00, 0x00, "", ""},
        {0xFF, 0x00, 0x00, "", ""},
    };
    for (const CClassCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "class " << int(c.baseClass) << " subclass " << int(c.subclass)
                                        << " interface " << int(c.programmingInterface));
        const CConfigImage image =
            CConfigImage().Set8(0x0B, c.baseClass).Set8(0x0A, c.subclass).Set8(0x09, c.programmingInterface);
        EXPECT_EQ(CConfigDecoder::DecodeClassCode(image.Data()), c.classText);
        EXPECT_EQ(CConfigDecoder::DecodeSubclass(image.Data()), c.subclassText);
    }
}

TEST(ClassCode, EveryNamedClassHasAName)
{
    for (int baseClass = 0x01; baseClass <= 0x11; ++baseClass) {
        SCOPED_TRACE(testing::Message() << "class " << baseClass);
        EXPECT_NE(CConfigDecoder::DecodeClassCode(CConfigImage().Set8(0x0B, uint8_t(baseClass)).Data()), "");
    }
}

}  // namespace
