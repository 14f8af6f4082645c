#include "tests/sim/SimTestSupport.h"
#include "pci/Bar.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <iterator>

std::vector<uint8_t> AddressInput(uint32_t bus, uint32_t device, uint32_t function, uint32_t length)
{
    std::vector<uint8_t> in(length < kFunctionAddressSize ? kFunctionAddressSize : length);
    pci::PutLe32(in.data() + kAddrBusOffset, bus);
    pci::PutLe32(in.data() + kAddrDeviceOffset, device);
    pci::PutLe32(in.data() + kAddrFunctionOffset, function);
    in.resize(length);
    return in;
}

CRequestResult Send(CMachineSource& machine, uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength)
{
    CRequestResult result;
    std::vector<uint8_t> out(outLength, 0xCD);
    uint32_t returned = 0xFFFFFFFFu;
    result.m_status = machine.Dispatch(code, in.empty() ? nullptr : in.data(), uint32_t(in.size()),
                                       out.empty() ? nullptr : out.data(), outLength, &returned);
    EXPECT_LE(returned, outLength);
    out.resize(returned <= outLength ? returned : 0);
    result.m_out = out;
    return result;
}

uint32_t Probe(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function)
{
    CRequestResult r = Send(machine, IOCTL_PROBE_FUNCTION, AddressInput(bus, device, function, kProbeInSize),
                            kProbeOutSize);
    return r.m_status == kSimStatusSuccess ? r.Value() : 0xFFFFFFFFu;
}

uint32_t ReadConfig(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function, uint32_t offset,
                    uint8_t size)
{
    std::vector<uint8_t> in = AddressInput(bus, device, function, kReadConfigInSize);
    pci::PutLe32(in.data() + kRegOffsetOffset, offset);
    in[kRegSizeOffset] = size;
    CRequestResult r = Send(machine, IOCTL_READ_CONFIG, in, kReadConfigOutSize);
    EXPECT_EQ(r.m_status, kSimStatusSuccess) << "read of register " << offset << " size " << int(size);
    return r.Value();
}

uint32_t WriteConfig(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function, uint32_t offset,
                     uint8_t size, uint32_t value)
{
    std::vector<uint8_t> in = AddressInput(bus, device, function, kWriteConfigInSize);
    pci::PutLe32(in.data() + kRegOffsetOffset, offset);
    in[kRegSizeOffset] = size;
    pci::PutLe32(in.data() + kRegValueOffset, value);
    return Send(machine, IOCTL_WRITE_CONFIG, in, 0).m_status;
}

std::vector<uint8_t> ReadConfigSpace(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function)
{
    CRequestResult r = Send(machine, IOCTL_READ_CONFIG_SPACE, AddressInput(bus, device, function, 12),
                            kConfigSpaceSize);
    EXPECT_EQ(r.m_status, kSimStatusSuccess);
    return r.m_out;
}

std::vector<uint8_t> RangeInput(uint8_t space, uint32_t address, uint32_t unit, uint32_t count)
{
    std::vector<uint8_t> in(kRangeHeaderSize);
    in[kRangeSpaceOffset] = space;
    pci::PutLe32(in.data() + kRangeAddressOffset, address);
    pci::PutLe32(in.data() + kRangeUnitOffset, unit);
    pci::PutLe32(in.data() + kRangeCountOffset, count);
    return in;
}

CRequestResult ReadDevice(CMachineSource& machine, uint8_t space, uint32_t address, uint32_t unit, uint32_t count)
{
    return Send(machine, IOCTL_READ_DEVICE, RangeInput(space, address, unit, count), unit * count);
}

uint32_t WriteDevice(CMachineSource& machine, uint8_t space, uint32_t address, uint32_t unit,
                     const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> in = RangeInput(space, address, unit, uint32_t(data.size()) / unit);
    in.insert(in.end(), data.begin(), data.end());
    in.resize(in.size() + kWriteDeviceTrailerSize, 0);
    return Send(machine, IOCTL_WRITE_DEVICE, in, 0).m_status;
}

std::vector<uint8_t> WideRangeInput(uint8_t space, uint64_t address, uint32_t unit, uint32_t count)
{
    std::vector<uint8_t> in(kWideRangeHeaderSize);
    in[kWideRangeSpaceOffset] = space;
    pci::PutLe64(in.data() + kWideRangeAddressOffset, address);
    pci::PutLe32(in.data() + kWideRangeUnitOffset, unit);
    pci::PutLe32(in.data() + kWideRangeCountOffset, count);
    return in;
}

CRequestResult ReadDeviceWide(CMachineSource& machine, uint8_t space, uint64_t address, uint32_t unit, uint32_t count)
{
    return Send(machine, IOCTL_READ_DEVICE_WIDE, WideRangeInput(space, address, unit, count), unit * count);
}

uint32_t WriteDeviceWide(CMachineSource& machine, uint8_t space, uint64_t address, uint32_t unit,
                         const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> in = WideRangeInput(space, address, unit, uint32_t(data.size()) / unit);
    in.insert(in.end(), data.begin(), data.end());
    return Send(machine, IOCTL_WRITE_DEVICE_WIDE, in, 0).m_status;
}

uint32_t ProbeBarSize(CSimMachine& machine, uint32_t bus, uint32_t device, uint32_t function, uint32_t bar)
{
    uint32_t reg = 0x10 + 4 * bar;
    uint32_t saved = ReadConfig(machine, bus, device, function, reg, 4);
    WriteConfig(machine, bus, device, function, reg, 4, 0xFFFFFFFFu);
    uint32_t mask = ReadConfig(machine, bus, device, function, reg, 4);
    WriteConfig(machine, bus, device, function, reg, 4, saved);
    EXPECT_EQ(ReadConfig(machine, bus, device, function, reg, 4), saved) << "BAR value restored";
    return uint32_t(pci::BarSizeFromMask(mask, 0));
}

std::array<uint8_t, 256> MakeConfig(uint16_t vendor, uint16_t device, uint8_t baseClass, uint8_t subClass,
                                    uint8_t headerType)
{
    std::array<uint8_t, 256> c{};
    c[0] = uint8_t(vendor);
    c[1] = uint8_t(vendor >> 8);
    c[2] = uint8_t(device);
    c[3] = uint8_t(device >> 8);
    c[0x04] = 0x07; // I/O, memory, bus master
    c[0x0A] = subClass;
    c[0x0B] = baseClass;
    c[0x0E] = headerType;
    return c;
}

void Put32(std::array<uint8_t, 256>& config, uint32_t offset, uint32_t value)
{
    pci::PutLe32(config.data() + offset, value);
}

std::string DumpFunction(const std::string& address, const std::array<uint8_t, 256>& config,
                         const std::string& extraLines)
{
    std::string text = address + " Test function\n";
    for (uint32_t row = 0; row < 256; row += 16) {
        char line[64];
        std::snprintf(line, sizeof(line), "%02x:", row);
        text += line;
        for (uint32_t i = 0; i < 16; ++i) {
            std::snprintf(line, sizeof(line), " %02x", config[row + i]);
            text += line;
        }
        text += "\n";
    }
    return text + extraLines;
}

void LoadOrFail(CSimMachine& machine, const std::string& image)
{
    CSimError error = {};
    ASSERT_TRUE(machine.Load(image.data(), uint32_t(image.size()), "test.txt", &error))
        << error.fileName << ":" << error.line << ": " << error.message;
}

std::string LoadError(CSimMachine& machine, const std::string& image, const char* fileName)
{
    CSimError error = {};
    if (machine.Load(image.data(), uint32_t(image.size()), fileName, &error))
        return "(loaded)";
    return std::string(error.fileName) + ":" + std::to_string(error.line) + ": " + error.message;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> SnapshotConfig(CSimMachine& machine)
{
    std::vector<uint8_t> all;
    for (uint32_t bus = 0; bus < 8; ++bus)
        for (uint32_t device = 0; device < 32; ++device)
            for (uint32_t function = 0; function < 8; ++function)
                if (Probe(machine, bus, device, function) != 0xFFFFFFFFu) {
                    std::vector<uint8_t> space = ReadConfigSpace(machine, bus, device, function);
                    all.insert(all.end(), space.begin(), space.end());
                }
    return all;
}

std::vector<uint16_t> DescribedSegments(CMachineSource& machine)
{
    CRequestResult r = Send(machine, IOCTL_DESCRIBE_SOURCE, {}, SourceAnswerSize(0x10000));
    if (r.m_status != kSimStatusSuccess || r.m_out.size() < kSourceFixedSize)
        return {0xDEAD};
    std::vector<uint16_t> segments;
    for (size_t at = kSourceFixedSize; at + kSourceSegmentBytes <= r.m_out.size(); at += kSourceSegmentBytes)
        segments.push_back(pci::GetLe16(r.m_out.data() + at));
    if (segments.size() != pci::GetLe32(r.m_out.data() + kSourceSegmentCountOffset))
        return {0xDEAD};
    return segments;
}
