#pragma once
// Request builders and image helpers shared by the simulator tests.
#include <stdint.h>
#include <array>
#include <string>
#include <vector>
#include "protocol/DriverProtocol.h"
#include "sim/SimMachine.h"
#include "sim/SimStatus.h"

// Outcome of one request: status and the bytes written to the output buffer.
struct CRequestResult
{
    uint32_t m_status = 0;
    std::vector<uint8_t> m_out;
    uint32_t Value() const { return m_out.size() >= 4 ? pci::GetLe32(m_out.data()) : 0xDEADBEEFu; }
};

std::vector<uint8_t> AddressInput(uint32_t bus, uint32_t device, uint32_t function, uint32_t length);
CRequestResult Send(CMachineSource& machine, uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength);

uint32_t Probe(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function);
uint32_t ReadConfig(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function, uint32_t offset,
                    uint8_t size);
uint32_t WriteConfig(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function, uint32_t offset,
                     uint8_t size, uint32_t value);
std::vector<uint8_t> ReadConfigSpace(CMachineSource& machine, uint32_t bus, uint32_t device, uint32_t function);
std::vector<uint8_t> RangeInput(uint8_t space, uint32_t address, uint32_t unit, uint32_t count);
CRequestResult ReadDevice(CMachineSource& machine, uint8_t space, uint32_t address, uint32_t unit, uint32_t count);
// The same at a 64-bit address (806h/807h).
std::vector<uint8_t> WideRangeInput(uint8_t space, uint64_t address, uint32_t unit, uint32_t count);
CRequestResult ReadDeviceWide(CMachineSource& machine, uint8_t space, uint64_t address, uint32_t unit, uint32_t count);
uint32_t WriteDeviceWide(CMachineSource& machine, uint8_t space, uint64_t address, uint32_t unit,
                         const std::vector<uint8_t>& data);
uint32_t WriteDevice(CMachineSource& machine, uint8_t space, uint32_t address, uint32_t unit,
                     const std::vector<uint8_t>& data);
// The segments 809h lists, or {0xDEAD} when the request fails.
std::vector<uint16_t> DescribedSegments(CMachineSource& machine);
// The size the program finds for a BAR from its low register alone (write ones, read back, restore).
uint32_t ProbeBarSize(CSimMachine& machine, uint32_t bus, uint32_t device, uint32_t function, uint32_t bar);

// A 256-byte configuration image with the given identity, for building test images.
std::array<uint8_t, 256> MakeConfig(uint16_t vendor, uint16_t device, uint8_t baseClass, uint8_t subClass,
                                    uint8_t headerType);
void Put32(std::array<uint8_t, 256>& config, uint32_t offset, uint32_t value);
// One function in lspci -xxx form: header line and sixteen hex lines.
std::string DumpFunction(const std::string& address, const std::array<uint8_t, 256>& config,
                         const std::string& extraLines = "");
void LoadOrFail(CSimMachine& machine, const std::string& image);
std::string LoadError(CSimMachine& machine, const std::string& image, const char* fileName = "test.txt");
std::string ReadTextFile(const std::string& path);
// Every configuration byte of every bus/device/function address that answers, for side-effect checks.
std::vector<uint8_t> SnapshotConfig(CSimMachine& machine);
