// CPciFunction: construction and the depth-first bus scan that builds the tree.
#include "device/PciFunction.h"
#include "device/PciNameIndex.h"
#include "device/PnpInstanceIndex.h"

#include "protocol/DriverProtocol.h"

#include <string.h>

// The buses already scanned while building one tree. A bridge whose bus is in
// this set is kept as a leaf, so every bus is scanned at most once and a scan
// ends on any machine: a second host bridge, a bridge whose secondary bus is 0,
// its own bus or a bus on the path from the root, and two bridges that claim
// the same secondary bus all stop there. The name file's index and the
// registry's instances are taken once per scan and shared by its functions.
struct CPciFunction::CScanState
{
    bool scanned[pci::kBusCount] = {};
    CScanReport report;
    std::shared_ptr<const CPciNameIndex> names = CPciNameIndex::ForFile(kNameFile);
    CPnpInstanceIndex instances;
    ScanProgressCallback progress;
    bool known[pci::kBusCount] = {};
    CScanProgress where;

    void Count(bool ok)
    {
        ++report.requests;
        if (!ok)
            ++report.failedRequests;
    }
    // A bus the scan starts on; it is known from then on, if no bridge's range named it.
    void Begin(uint32_t bus)
    {
        scanned[bus] = true;
        ++where.busesScanned;
        Know(bus, bus);
    }
    // Buses that exist, as a bridge's secondary..subordinate range says, counted once.
    void Know(uint32_t first, uint32_t last)
    {
        for (uint32_t bus = first; bus <= last && bus < pci::kBusCount; ++bus) {
            where.busesKnown += known[bus] ? 0 : 1;
            known[bus] = true;
        }
    }
    // Whether the scan goes on to the next device of bus.
    bool Continue(uint32_t bus)
    {
        if (!report.cancelled && progress) {
            where.bus = bus;
            report.cancelled = !progress(where);
        }
        return !report.cancelled;
    }
};

// A failed or short probe reads as an absent function; the scan counts it as failed.
uint32_t CPciFunction::ProbeFunction(uint32_t bus, uint32_t device, uint32_t function, CScanState& scan)
{
    uint32_t value = pci::kAbsentFunctionDword;
    scan.Count(SendProbe(bus, device, function, &value));
    return value;
}

bool CPciFunction::ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* destination,
                                   CScanState& scan)
{
    const bool ok = ReadConfigSpace(bus, device, function, destination);
    scan.Count(ok);
    return ok;
}

CPciFunction::CPciFunction(HANDLE hDriver) : CPciFunction(hDriver, false)
{
}

CPciFunction::CPciFunction(HANDLE hDriver, bool allRootBuses) : CPciFunction(hDriver, allRootBuses, nullptr)
{
}

CPciFunction::CPciFunction(HANDLE hDriver, bool allRootBuses, ScanProgressCallback progress) : m_hDriver(hDriver)
{
    CScanState scan;
    scan.progress = std::move(progress);
    FindHostBridge(scan);
    ReadSpace(scan);
    ScanChildren(scan);
    if (allRootBuses && !scan.report.cancelled)
        SweepRootBuses(scan);
    m_scanReport = scan.report;
    FinishConstruction(scan);
}

// Every bus the tree did not reach is probed device by device; a bus where something answers
// becomes a root bus. Bridges found there scan their buses in the same scan state, and a host
// bridge off bus 0 is a leaf (bus 0 is scanned already).
void CPciFunction::SweepRootBuses(CScanState& scan)
{
    scan.Know(0, pci::kMaxBus);
    for (uint32_t bus = 0; bus < pci::kBusCount && !scan.report.cancelled; ++bus) {
        if (scan.scanned[bus])
            continue;
        scan.Begin(bus);
        CRootBus root;
        root.bus = bus;
        ScanBus(bus, scan, root.functions);
        if (!root.functions.empty())
            m_rootBuses.push_back(std::move(root));
    }
}

CPciFunction::CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function)
    : m_bus(bus), m_device(device), m_function(function), m_hDriver(hDriver)
{
    // Built on its own, the function sits on a bus its parent is scanning.
    CScanState scan;
    scan.scanned[bus % pci::kBusCount] = true;
    ReadChild(scan);
}

CPciFunction::CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, CScanState& scan)
    : m_bus(bus), m_device(device), m_function(function), m_hDriver(hDriver)
{
    ReadChild(scan);
}

CPciFunction::~CPciFunction() = default;

void CPciFunction::ReadChild(CScanState& scan)
{
    if (!ReadConfigSpace(m_bus, m_device, m_function, m_config, scan)) {
        MarkUnreadable();
        return;
    }
    ReadSpace(scan);
    if (m_config[pci::kBaseClassOffset] == pci::kClassBridge)
        ScanChildren(scan);
    FinishConstruction(scan);
}

// Never register by register: one 808h for a PCI Express function, nothing more for the others.
void CPciFunction::ReadSpace(CScanState& scan)
{
    m_space.assign(m_config, m_config + sizeof m_config);
    if (!HasExpressCapability())
        return;
    std::vector<uint8_t> space;
    const bool ok = ReadWholeSpace(&space);
    scan.Count(ok);
    if (!ok)
        return;
    // The conventional part stays as 802h returned it, so both copies agree.
    memcpy(space.data(), m_config, sizeof m_config);
    m_space.swap(space);
}

void CPciFunction::FinishConstruction(CScanState& scan)
{
    memcpy(m_shadow, m_config, sizeof m_shadow);
    m_spaceShadow = m_space;
    LoadDeviceNames(scan.names.get());
    LoadAssignedResources(scan.instances);
}

// An image that could not be read reads like an absent function and scans nothing.
void CPciFunction::MarkAbsent()
{
    memset(m_config, 0xFF, sizeof m_config);
}

void CPciFunction::SetConfigImage(const uint8_t* image)
{
    m_readable = true;
    memcpy(m_config, image, sizeof m_config);
    memcpy(m_shadow, m_config, sizeof m_shadow);
    m_space.assign(m_config, m_config + sizeof m_config);
    m_spaceShadow = m_space;
}

// The function answered, so it is listed, but with no names, resources or space to look at.
void CPciFunction::MarkUnreadable()
{
    m_readable = false;
    MarkAbsent();
    memcpy(m_shadow, m_config, sizeof m_shadow);
    m_space.assign(m_config, m_config + sizeof m_config);
    m_spaceShadow = m_space;
}

void CPciFunction::FindHostBridge(CScanState& scan)
{
    // Without a host bridge the root stays an absent function at 0.0.0.
    MarkAbsent();
    uint8_t image[pci::kConfigSpaceBytes];
    for (uint32_t device = 0; device < pci::kDevicesPerBus; ++device) {
        for (uint32_t function = 0; function < pci::kFunctionsPerDevice; ++function) {
            if (ProbeFunction(0, device, function, scan) == pci::kAbsentFunctionDword)
                continue;
            if (!ReadConfigSpace(0, device, function, image, scan))
                continue;
            if (image[pci::kBaseClassOffset] == pci::kClassBridge &&
                image[pci::kSubclassOffset] == pci::kSubclassHostBridge) {
                memcpy(m_config, image, sizeof m_config);
                m_device = device;
                m_function = function;
                scan.report.hostBridgeFound = true;
                return;
            }
        }
    }
}

bool CPciFunction::ShouldScanBus(uint32_t bus, const CScanState& scan) const
{
    return IsBridge() && !scan.scanned[bus];
}

// Functions 1..7 of a device are kept when its function 0 reports a
// multi-function device. When function 0 does not answer, the answers of the
// other function numbers cannot be echoes of it, so each one that answers is
// kept. When function 0 is this bridge itself (the host bridge on bus 0), the
// flag comes from this bridge's own header.
void CPciFunction::ScanChildren(CScanState& scan)
{
    uint32_t bus = m_config[pci::kSubclassOffset] == pci::kSubclassPciBridge ? m_config[pci::kSecondaryBusOffset] : 0;
    if (!ShouldScanBus(bus, scan))
        return;
    if (m_config[pci::kSubclassOffset] == pci::kSubclassPciBridge)
        scan.Know(bus, m_config[pci::kSubordinateBusOffset]);
    scan.Begin(bus);
    ScanBus(bus, scan, m_children);
}

void CPciFunction::ScanBus(uint32_t bus, CScanState& scan, std::vector<std::unique_ptr<CPciFunction>>& functions)
{
    for (uint32_t device = 0; device < pci::kDevicesPerBus && scan.Continue(bus); ++device) {
        bool keepOtherFunctions = true;
        for (uint32_t function = 0; function < pci::kFunctionsPerDevice; ++function) {
            bool isSelf = bus == m_bus && device == m_device && function == m_function;
            if (isSelf) {
                if (function == 0)
                    keepOtherFunctions = IsMultiFunction();
                continue;
            }
            // Echoes of a single-function device are not even probed.
            if (function != 0 && !keepOtherFunctions)
                continue;
            if (ProbeFunction(bus, device, function, scan) == pci::kAbsentFunctionDword)
                continue;
            auto child = std::unique_ptr<CPciFunction>(new CPciFunction(m_hDriver, bus, device, function, scan));
            if (function == 0)
                keepOtherFunctions = child->IsMultiFunction();
            functions.push_back(std::move(child));
        }
    }
}
