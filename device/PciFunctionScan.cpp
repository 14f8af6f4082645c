// CPciFunction: construction and the depth-first bus scan that builds the tree.
#include "device/PciFunction.h"
#include "device/PciNameIndex.h"
#include "device/PnpInstanceIndex.h"

#include "protocol/DriverProtocol.h"

#include <string.h>

#include <map>

// The buses of each segment already scanned while building one tree, and the
// segment being scanned. A bridge whose bus is in this set is kept as a leaf, so every bus is scanned at most once and a scan
// ends on any machine: a second host bridge, a bridge whose secondary bus is 0,
// its own bus or a bus on the path from the root, and two bridges that claim
// the same secondary bus all stop there. The name file's index and the
// registry's instances are taken once per scan and shared by its functions.
struct CPciFunction::CScanState
{
    uint16_t segment = 0;
    std::map<uint16_t, std::bitset<pci::kBusCount>> scanned;
    CScanReport report;
    std::shared_ptr<const CPciNameIndex> names = CPciNameIndex::ForFile(kNameFile);
    CPnpInstanceIndex instances;
    bool everyFunction = false;
    ScanProgressCallback progress;
    std::map<uint16_t, std::bitset<pci::kBusCount>> known;
    CScanProgress where;

    bool IsScanned(uint32_t bus) const
    {
        const auto buses = scanned.find(segment);
        return buses != scanned.end() && buses->second.test(bus % pci::kBusCount);
    }
    void MarkScanned(uint32_t bus) { scanned[segment].set(bus % pci::kBusCount); }
    uint32_t BusField(uint32_t bus) const { return MakeBusField(segment, uint8_t(bus)); }
    // A bus the scan starts on; it is known from then on, if no bridge's range named it.
    void Begin(uint32_t bus)
    {
        MarkScanned(bus);
        ++where.busesScanned;
        Know(bus, bus);
    }
    // Buses that exist, as a bridge's secondary..subordinate range says, counted once per segment.
    void Know(uint32_t first, uint32_t last)
    {
        std::bitset<pci::kBusCount>& buses = known[segment];
        for (uint32_t bus = first; bus <= last && bus < pci::kBusCount; ++bus) {
            where.busesKnown += buses.test(bus) ? 0 : 1;
            buses.set(bus);
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

    void Count(bool ok)
    {
        ++report.requests;
        if (!ok)
            ++report.failedRequests;
    }
};

// A failed or short probe reads as an absent function; the scan counts it as failed.
uint32_t CPciFunction::ProbeFunction(uint32_t bus, uint32_t device, uint32_t function, CScanState& scan)
{
    uint32_t value = pci::kAbsentFunctionDword;
    scan.Count(SendProbe(scan.BusField(bus), device, function, &value));
    return value;
}

bool CPciFunction::ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* destination,
                                   CScanState& scan)
{
    const bool ok = ReadConfigSpace(scan.BusField(bus), device, function, destination);
    scan.Count(ok);
    return ok;
}

CPciFunction::CPciFunction(HANDLE hDriver) : CPciFunction(hDriver, false)
{
}

CPciFunction::CPciFunction(HANDLE hDriver, bool allRootBuses) : CPciFunction(hDriver, CScanOptions{allRootBuses})
{
}

CPciFunction::CPciFunction(HANDLE hDriver, const CScanOptions& options, ScanProgressCallback progress)
    : m_hDriver(hDriver)
{
    CScanState scan;
    scan.everyFunction = options.everyFunction;
    scan.progress = std::move(progress);
    FindHostBridge(scan);
    if (scan.report.hostBridgeFound) {
        ReadSpace(scan);
        ScanChildren(scan);
    } else {
        m_placeholder = true;
        ScanRootBus(0, scan);
    }
    if (options.allRootBuses && !scan.report.cancelled)
        SweepRootBuses(scan);
    const CSource source = DescribeSource(hDriver);
    scan.Count(source.answered);
    scan.report.sourceDescribed = source.answered;
    ScanSegments(source.segments, options.allRootBuses, scan);
    m_scanReport = scan.report;
    FinishConstruction(scan);
}

std::vector<const CPciFunction*> CPciFunction::GetTopFunctions() const
{
    std::vector<const CPciFunction*> top;
    if (!m_placeholder)
        top.push_back(this);
    for (const CRootBus& bus : m_rootBuses) {
        for (const auto& function : bus.functions)
            top.push_back(function.get());
    }
    return top;
}

void CPciFunction::ScanSegments(const std::vector<uint16_t>& segments, bool allRootBuses, CScanState& scan)
{
    for (const uint16_t segment : segments) {
        if (segment == 0 || scan.report.cancelled)
            continue;
        scan.segment = segment;
        ScanRootBus(0, scan);
        if (allRootBuses)
            SweepRootBuses(scan);
    }
    scan.segment = 0;
}

// Every bus the tree did not reach is probed device by device; a bus where something answers
// becomes a root bus. Bridges found there scan their buses in the same scan state, and a host
// bridge off bus 0 is a leaf (bus 0 is scanned already).
void CPciFunction::SweepRootBuses(CScanState& scan)
{
    scan.Know(0, pci::kMaxBus);
    for (uint32_t bus = 0; bus < pci::kBusCount && !scan.report.cancelled; ++bus) {
        if (!scan.IsScanned(bus))
            ScanRootBus(bus, scan);
    }
}

void CPciFunction::ScanRootBus(uint32_t bus, CScanState& scan)
{
    scan.Begin(bus);
    CRootBus root;
    root.segment = scan.segment;
    root.bus = bus;
    ScanBus(bus, scan, root.functions);
    if (!root.functions.empty())
        m_rootBuses.push_back(std::move(root));
}

CPciFunction::CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, uint16_t segment)
    : m_segment(segment), m_bus(bus), m_device(device), m_function(function), m_hDriver(hDriver)
{
    // Built on its own, the function sits on a bus its parent is scanning.
    CScanState scan;
    scan.segment = segment;
    scan.MarkScanned(bus);
    ReadChild(scan);
}

CPciFunction::CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, CScanState& scan)
    : m_segment(scan.segment), m_bus(bus), m_device(device), m_function(function), m_hDriver(hDriver)
{
    ReadChild(scan);
}

CPciFunction::~CPciFunction() = default;

void CPciFunction::ReadChild(CScanState& scan)
{
    if (!ReadConfigSpace(m_bus, m_device, m_function, m_image, scan)) {
        MarkUnreadable();
        return;
    }
    ReadSpace(scan);
    if (m_image[pci::kBaseClassOffset] == pci::kClassBridge)
        ScanChildren(scan);
    FinishConstruction(scan);
}

// Never register by register: one 808h for a PCI Express function, nothing more for the others.
void CPciFunction::ReadSpace(CScanState& scan)
{
    m_imageSize = pci::kConfigSpaceBytes;
    if (!HasExpressCapability())
        return;
    std::vector<uint8_t> space;
    const bool ok = ReadWholeSpace(&space);
    scan.Count(ok);
    if (!ok)
        return;
    // The conventional part stays as 802h returned it.
    memcpy(m_image + pci::kConfigSpaceBytes, space.data() + pci::kConfigSpaceBytes,
           space.size() - pci::kConfigSpaceBytes);
    m_imageSize = uint32_t(space.size());
}

void CPciFunction::FinishConstruction(CScanState& scan)
{
    memcpy(m_lastRead, m_image, m_imageSize);
    // A placeholder has no device whose names or records could be looked up.
    if (m_placeholder)
        return;
    LoadDeviceNames(scan.names.get());
    LoadAssignedResources(scan.instances);
}

// An image that could not be read reads like an absent function and scans nothing.
void CPciFunction::MarkAbsent()
{
    memset(m_image, 0xFF, pci::kConfigSpaceBytes);
    m_imageSize = pci::kConfigSpaceBytes;
}

void CPciFunction::SetConfigImage(const uint8_t* image)
{
    m_readable = true;
    TakeImage(image, pci::kConfigSpaceBytes);
}

// The function answered, so it is listed, but with no names, resources or space to look at.
void CPciFunction::MarkUnreadable()
{
    m_readable = false;
    MarkAbsent();
    memcpy(m_lastRead, m_image, m_imageSize);
}

// Looks at the functions that the scan of bus 0 lists, in its order. With every function
// number probed, it looks at every function that answers, as the first design did.
void CPciFunction::FindHostBridge(CScanState& scan)
{
    // Without a host bridge the root stays an absent function at 0.0.0.
    MarkAbsent();
    uint8_t image[pci::kConfigSpaceBytes];
    for (uint32_t device = 0; device < pci::kDevicesPerBus; ++device) {
        bool probeOtherFunctions = true;
        for (uint32_t function = 0; function < pci::kFunctionsPerDevice; ++function) {
            if (function != 0 && !probeOtherFunctions)
                break;
            const bool answers = ProbeFunction(0, device, function, scan) != pci::kAbsentFunctionDword;
            if (function == 0 && !scan.everyFunction)
                probeOtherFunctions = answers;
            if (!answers || !ReadConfigSpace(0, device, function, image, scan))
                continue;
            if (function == 0 && !scan.everyFunction)
                probeOtherFunctions = (image[pci::kHeaderTypeOffset] & pci::kMultiFunctionFlag) != 0;
            if (image[pci::kBaseClassOffset] == pci::kClassBridge &&
                image[pci::kSubclassOffset] == pci::kSubclassHostBridge) {
                memcpy(m_image, image, pci::kConfigSpaceBytes);
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
    return IsBridge() && !scan.IsScanned(bus);
}

// Functions 1..7 of a device are probed when its function 0 reports a
// multi-function device. A device whose function 0 does not answer is not
// probed further, unless every function number is probed: the answers of the
// other function numbers then cannot be echoes of it, so each one that answers
// is kept. When function 0 is this bridge itself (the host bridge on bus 0), the
// flag comes from this bridge's own header.
void CPciFunction::ScanChildren(CScanState& scan)
{
    uint32_t bus = m_image[pci::kSubclassOffset] == pci::kSubclassPciBridge ? m_image[pci::kSecondaryBusOffset] : 0;
    if (!ShouldScanBus(bus, scan))
        return;
    if (m_image[pci::kSubclassOffset] == pci::kSubclassPciBridge)
        scan.Know(bus, m_image[pci::kSubordinateBusOffset]);
    scan.Begin(bus);
    ScanBus(bus, scan, m_children);
}

void CPciFunction::ScanBus(uint32_t bus, CScanState& scan, std::vector<std::unique_ptr<CPciFunction>>& functions)
{
    for (uint32_t device = 0; device < pci::kDevicesPerBus && scan.Continue(bus); ++device) {
        bool keepOtherFunctions = true;
        for (uint32_t function = 0; function < pci::kFunctionsPerDevice; ++function) {
            // Only a host bridge scans the bus it sits on; a placeholder root sits nowhere.
            const bool isSelf = !m_placeholder && scan.segment == m_segment && bus == m_bus && device == m_device &&
                function == m_function;
            if (isSelf) {
                if (function == 0)
                    keepOtherFunctions = IsMultiFunction();
                continue;
            }
            // Echoes of a single-function device are not even probed.
            if (function != 0 && !keepOtherFunctions)
                continue;
            if (ProbeFunction(bus, device, function, scan) == pci::kAbsentFunctionDword) {
                if (function == 0 && !scan.everyFunction)
                    break;
                continue;
            }
            auto child = std::unique_ptr<CPciFunction>(new CPciFunction(m_hDriver, bus, device, function, scan));
            if (function == 0)
                keepOtherFunctions = child->IsMultiFunction();
            functions.push_back(std::move(child));
        }
    }
}
