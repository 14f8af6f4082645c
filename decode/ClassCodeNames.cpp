#include "decode/ClassCodeNames.h"

#include <iterator>

namespace {

constexpr uint8_t kFirstNamedClass = 0x01;

const char* const kClassNames[] = {
    "Mass Storage Controller",
    "Network Controller",
    "Display Controller",
    "Multimedia Device",
    "Memory Controller",
    "Bridge Device",
    "Simple Communications Controller",
    "Base System Peripheral",
    "Input Device",
    "Docking Station",
    "Processor",
    "Serial Bus Controller",
    "Wireless Controller",
    "Intelligent I/O Controller",
    "Satellite Communications Controller",
    "Encryption/Decryption Controller",
    "Data Aquisition and Signal Processing Controller",
};

struct CSubclassEntry
{
    uint8_t baseClass;
    uint8_t subclass;
    uint8_t programmingInterface;
    bool anyInterface; // the entry names every programming interface of its subclass
    const char* name;
};

const CSubclassEntry kSubclassEntries[] = {
    {0x00, 0x01, 0x00, false, "VGA-Compatible Device"},
    {0x01, 0x00, 0x00, false, "SCSI Controller"},
    {0x01, 0x01, 0x00, true, "IDE Controller"},
    {0x01, 0x02, 0x00, false, "Floppy Disk Controller"},
    {0x01, 0x03, 0x00, false, "IPI Controller"},
    {0x01, 0x04, 0x00, false, "RAID Controller"},
    {0x01, 0x80, 0x00, false, "Unknown Mass-storage Controller"},
    {0x02, 0x00, 0x00, false, "Ethernet Controller"},
    {0x02, 0x01, 0x00, false, "Token-ring Controller"},
    {0x02, 0x02, 0x00, false, "FDDI Controller"},
    {0x02, 0x03, 0x00, false, "ATM Controller"},
    {0x02, 0x04, 0x00, false, "ISDN Controller"},
    {0x02, 0x80, 0x00, false, "Unknown Network Controller"},
    {0x03, 0x00, 0x00, false, "VGA-Compatible Controller"},
    {0x03, 0x00, 0x01, false, "8514-Compatible Controller"},
    {0x03, 0x01, 0x00, false, "XGA Controller"},
    {0x03, 0x02, 0x00, false, "3D Controller"},
    {0x03, 0x80, 0x00, false, "Unknown Display Controller"},
    {0x04, 0x00, 0x00, false, "Video Device"},
    {0x04, 0x01, 0x00, false, "Audio Device"},
    {0x04, 0x02, 0x00, false, "Computer Telephony Device"},
    {0x04, 0x80, 0x00, false, "Unknown Multimedia Device"},
    {0x05, 0x00, 0x00, false, "RAM Memory controller"},
    {0x05, 0x01, 0x00, false, "Flash Memory controller"},
    {0x05, 0x80, 0x00, false, "Unknown Memory controller"},
    {0x06, 0x00, 0x00, false, "Host/PCI Bridge"},
    {0x06, 0x01, 0x00, false, "PCI/ISA Bridge"},
    {0x06, 0x02, 0x00, false, "PCI/EISA Bridge"},
    {0x06, 0x03, 0x00, false, "PCI/Micro Channel Bridge"},
    {0x06, 0x04, 0x00, false, "PCI/PCI Bridge"},
    {0x06, 0x04, 0x01, false, "Subtractive-decode PCI/PCI Bridge"},
    {0x06, 0x05, 0x00, false, "PCI/PCMCIA Bridge"},
    {0x06, 0x06, 0x00, false, "PCI/NuBus Bridge"},
    {0x06, 0x07, 0x00, false, "PCI/CardBus Bridge"},
    {0x06, 0x08, 0x00, true, "RACEWay Bridge"},
    {0x06, 0x80, 0x00, false, "Unknown Bridge"},
    {0x07, 0x00, 0x00, false, "Generic XT-Compatible Serial Controller"},
    {0x07, 0x00, 0x01, false, "16450-Compatible Serial Controller"},
    {0x07, 0x00, 0x02, false, "16550-Compatible Serial Controller"},
    {0x07, 0x00, 0x03, false, "16650-Compatible Serial Controller"},
    {0x07, 0x00, 0x04, false, "16750-Compatible Serial Controller"},
    {0x07, 0x00, 0x05, false, "16850-Compatible Serial Controller"},
    {0x07, 0x00, 0x06, false, "16950-Compatible Serial Controller"},
    {0x07, 0x01, 0x00, false, "Parallel Port"},
    {0x07, 0x01, 0x01, false, "Bi-directional Parallel Port"},
    {0x07, 0x01, 0x02, false, "ECP 1.x-compliant Parallel Port"},
    {0x07, 0x01, 0x03, false, "IEEE 1284 Controller"},
    {0x07, 0x01, 0xFE, false, "IEEE 1284 Target Device"},
    {0x07, 0x02, 0x00, false, "Multi-port Serial Controller"},
    {0x07, 0x03, 0x00, false, "Generic Modem"},
    {0x07, 0x03, 0x01, false, "Hayes-Compatible Modem. 16450-Compatible Interface."},
    {0x07, 0x03, 0x02, false, "Hayes-Compatible Modem. 16550-Compatible Interface."},
    {0x07, 0x03, 0x03, false, "Hayes-Compatible Modem. 16650-Compatible Interface."},
    {0x07, 0x03, 0x04, false, "Hayes-Compatible Modem. 16750-Compatible Interface."},
    {0x07, 0x80, 0x00, false, "Unknown Communications Device"},
    {0x08, 0x00, 0x00, false, "Generic 8259 Programmable Interrupt Controller"},
    {0x08, 0x00, 0x01, false, "ISA Programmable Interrupt Controller"},
    {0x08, 0x00, 0x02, false, "EISA Programmable Interrupt Controller"},
    {0x08, 0x00, 0x10, false, "I/O APIC Interrupt Controller"},
    {0x08, 0x00, 0x20, false, "I/O APIC Interrupt Controller"},
    {0x08, 0x01, 0x00, false, "Generic 8237 DMA Controller"},
    {0x08, 0x01, 0x01, false, "ISA DMA Controller"},
    {0x08, 0x01, 0x02, false, "EISA DMA Controller"},
    {0x08, 0x02, 0x00, false, "Generic 8254 Timer"},
    {0x08, 0x02, 0x01, false, "ISA System Timer"},
    {0x08, 0x02, 0x02, false, "EISA System Timer"},
    {0x08, 0x03, 0x00, false, "Generic RTC Controller"},
    {0x08, 0x03, 0x01, false, "ISA RTC Controller"},
    {0x08, 0x04, 0x00, false, "Generic PCI Hot-Plug Controller"},
    {0x08, 0x80, 0x00, false, "Unknown System Peripheral"},
    {0x09, 0x00, 0x00, false, "Keyboard Controller"},
    {0x09, 0x01, 0x00, false, "Digitizer"},
    {0x09, 0x02, 0x00, false, "Mouse Controller"},
    {0x09, 0x03, 0x00, false, "Scanner Controller"},
    {0x09, 0x04, 0x00, false, "Generic Game Port Controller"},
    {0x09, 0x04, 0x10, false, "Game Port Controller"},
    {0x09, 0x80, 0x00, false, "Unknown Input Controller"},
    {0x0A, 0x00, 0x00, false, "Generic Docking Station"},
    {0x0A, 0x80, 0x00, false, "Unknown Docking Station"},
    {0x0B, 0x00, 0x00, false, "386 Processor"},
    {0x0B, 0x01, 0x00, false, "486 Processor"},
    {0x0B, 0x02, 0x00, false, "Pentium Processor"},
    {0x0B, 0x10, 0x00, false, "Alpha Processor"},
    {0x0B, 0x20, 0x00, false, "PowerPC Processor"},
    {0x0B, 0x30, 0x00, false, "MIPS Processor"},
    {0x0B, 0x40, 0x00, false, "Co-Processor"},
    {0x0C, 0x00, 0x00, false, "IEEE 1394 (Firewire)"},
    {0x0C, 0x00, 0x10, false, "IEEE 1394 (Firewire) using OpenHCI Specification"},
    {0x0C, 0x01, 0x00, false, "ACCESS.bus"},
    {0x0C, 0x02, 0x00, false, "SSA (Serial Storage Architecture)"},
    {0x0C, 0x03, 0x00, false, "USB (Universal Serial Bus) Controller using UHCI (Universal Host Controller Interface)"},
    {0x0C, 0x03, 0x10, false, "USB (Universal Serial Bus) Controller using OHCI (Open Host Controller Interface)"},
    {0x0C, 0x03, 0x80, false, "USB (Universal Serial Bus) Controller using unknown programming interface"},
    {0x0C, 0x03, 0xFE, false, "Unknown USB Device"},
    {0x0C, 0x04, 0x00, false, "Fibre Channel Controller"},
    {0x0C, 0x05, 0x00, false, "SMBus (System Management Bus) Controller"},
    {0x0D, 0x00, 0x00, false, "iRDA Compatible Controller"},
    {0x0D, 0x01, 0x00, false, "Consumer IR Controller"},
    {0x0D, 0x10, 0x00, false, "RF Controller"},
    {0x0D, 0x80, 0x00, false, "Unknown Wireless Controller"},
    {0x0E, 0x00, 0x00, true, "I2O (Intelligent I/O) Controller"},
    {0x0F, 0x01, 0x00, false, "TV"},
    {0x0F, 0x02, 0x00, false, "Audio"},
    {0x0F, 0x03, 0x00, false, "Voice"},
    {0x0F, 0x04, 0x00, false, "Data"},
    {0x10, 0x00, 0x00, false, "Network and Computing Encryptor/Decryptor"},
    {0x10, 0x10, 0x00, false, "Entertainment Encryptor/Decryptor"},
    {0x10, 0x80, 0x00, false, "Unknown Encryptor/Decryptor"},
    {0x11, 0x00, 0x00, false, "DPIO Module"},
    {0x11, 0x80, 0x00, false, "Unknown Data Aquisition and Signal Processing Controller"},
};

bool Matches(const CSubclassEntry& entry, uint8_t baseClass, uint8_t subclass, uint8_t programmingInterface)
{
    return entry.baseClass == baseClass && entry.subclass == subclass &&
        (entry.anyInterface || entry.programmingInterface == programmingInterface);
}

} // namespace

const char* CClassCodeNames::FindClassName(uint8_t baseClass)
{
    const unsigned index = unsigned(baseClass) - kFirstNamedClass;
    if (baseClass < kFirstNamedClass || index >= std::size(kClassNames))
        return "";
    return kClassNames[index];
}

const char* CClassCodeNames::FindSubclassName(uint8_t baseClass, uint8_t subclass, uint8_t programmingInterface)
{
    for (const CSubclassEntry& entry : kSubclassEntries) {
        if (Matches(entry, baseClass, subclass, programmingInterface))
            return entry.name;
    }
    return "";
}
