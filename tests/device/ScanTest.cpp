// The bus scan: which functions enter the tree, in which order, and that it ends.
#include "tests/device/DeviceFixture.h"
#include "tests/device/MachineText.h"

#include "compat/CompatMachine.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"
#include "sim/SimMachine.h"
#include "device/PciFunction.h"

#include <string.h>

#include <fstream>
#include <sstream>

namespace {

std::vector<uint8_t> HostBridge(uint8_t headerType = 0x00)
{
    return CMachineText::MakeHeader(0x8086, 0x7190, 0x06, 0x00, headerType);
}

std::vector<uint8_t> PciBridge(uint8_t secondaryBus)
{
    std::vector<uint8_t> config = CMachineText::MakeHeader(0x8086, 0x244E, 0x06, 0x04, 0x01);
    config[0x19] = secondaryBus;
    return config;
}

std::vector<uint8_t> Device(uint16_t deviceId, uint8_t headerType = 0x00)
{
    return CMachineText::MakeHeader(0x10EC, deviceId, 0x02, 0x00, headerType);
}

// "b.d.f" for every function, its children in brackets.
std::string Describe(const CPciFunction& function)
{
    std::string text = std::to_string(function.m_bus) + "." + std::to_string(function.m_device) + "." +
                       std::to_string(function.m_function);
    if (function.m_children.empty())
        return text;
    text += "[";
    for (size_t i = 0; i < function.m_children.size(); ++i) {
        if (i > 0)
            text += " ";
        text += Describe(*function.m_children[i]);
    }
    return text + "]";
}

class ScanTest : public CDeviceFixture
{
protected:
    std::string Scan(const CMachineText& machine)
    {
        LoadMachine(machine.Text());
        CPciFunction root(m_driver);
        EXPECT_EQ(0, memcmp(root.m_image, root.m_lastRead, 256));
        return Describe(root);
    }
};

TEST_F(ScanTest, TheFirstHostBridgeOnBusZeroIsTheRootAndNotItsOwnChild)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 4, 0, Device(0x8139));
    machine.AddFunction(0, 9, 0, Device(0x8029));
    EXPECT_EQ("0.0.0[0.4.0 0.9.0]", Scan(machine));

    CMachineText later;
    later.AddFunction(0, 2, 0, Device(0x8139));
    later.AddFunction(0, 3, 0, HostBridge());
    EXPECT_EQ("0.3.0[0.2.0]", Scan(later));
}

TEST_F(ScanTest, ABridgeScansItsSecondaryBusBeforeTheScanGoesOn)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 1, 0, PciBridge(2));
    machine.AddFunction(0, 7, 0, Device(0x8139));
    machine.AddFunction(2, 0, 0, Device(0x8029));
    machine.AddFunction(2, 3, 0, Device(0x8169));
    EXPECT_EQ("0.0.0[0.1.0[2.0.0 2.3.0] 0.7.0]", Scan(machine));

    std::vector<uint32_t> readBuses;
    for (const CObservedRequest& request : RequestsOf(IOCTL_READ_CONFIG_SPACE))
        readBuses.push_back(InU32(request, 0));
    // The root search reads 0.0.0, then the scan reads 0.1.0, bus 2, and 0.7.0.
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 2, 2, 0}), readBuses);
}

// A scan told to report its progress sends the same requests and builds the same tree; the
// buses it knows grow with the bridges it finds, and a callback answering false stops it.
TEST_F(ScanTest, ProgressIsToldBeforeEveryDeviceAndCanStopTheScan)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    std::vector<uint8_t> bridge = PciBridge(2);
    bridge[0x1A] = 3;  // subordinate bus: a bridge on bus 2 leads to bus 3
    machine.AddFunction(0, 1, 0, bridge);
    machine.AddFunction(2, 0, 0, PciBridge(3));
    machine.AddFunction(3, 5, 0, Device(0x8029));
    LoadMachine(machine.Text());
    CPciFunction plain(m_driver, false);
    const std::vector<CObservedRequest> plainRequests = m_requests;
    struct CCase
    {
        size_t stopAfter;  // calls answered true before one answers false; 0: never stops
        bool cancelled;
        uint32_t busesScanned;
    };
    for (const CCase& c : {CCase{0, false, 3}, CCase{2, true, 2}}) {
        SCOPED_TRACE(testing::Message() << "stop after " << c.stopAfter);
        ClearRequests();
        std::vector<CPciFunction::CScanProgress> calls;
        CPciFunction root(m_driver, CPciFunction::CScanOptions{}, [&](const CPciFunction::CScanProgress& progress) {
            calls.push_back(progress);
            return c.stopAfter == 0 || calls.size() <= c.stopAfter;
        });
        EXPECT_EQ(c.cancelled, root.GetScanReport().cancelled);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(c.busesScanned, calls.back().busesScanned);
        EXPECT_EQ(3u, calls.back().busesKnown) << "bus 0 and the range 2..3 behind the bridge";
        if (c.cancelled)
            continue;
        EXPECT_EQ(Describe(plain), Describe(root));
        EXPECT_EQ(plainRequests.size(), m_requests.size());
        EXPECT_EQ(3u * pci::kDevicesPerBus, calls.size()) << "one call per device of each bus";
        // Depth first: bus 0 to the bridge at device 1, bus 2 to its bridge, bus 3, then back.
        EXPECT_EQ((std::vector<uint32_t>{0, 0, 2, 3, 3}),
                  (std::vector<uint32_t>{calls[0].bus, calls[1].bus, calls[2].bus, calls[3].bus, calls[34].bus}));
        EXPECT_EQ(0u, calls.back().bus);
    }
}

TEST_F(ScanTest, FunctionNumbersOfASingleFunctionDeviceAreListedOnce)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    for (uint32_t function = 0; function < 8; ++function)
        machine.AddFunction(0, 5, function, Device(0x8139));
    EXPECT_EQ("0.0.0[0.5.0]", Scan(machine));
}

TEST_F(ScanTest, AMultiFunctionDeviceListsTheFunctionsThatAnswer)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 6, 0, Device(0x7110, 0x80));
    machine.AddFunction(0, 6, 1, Device(0x7111));
    machine.AddFunction(0, 6, 3, Device(0x7113));
    machine.AddFunction(0, 8, 0, Device(0x8139));
    machine.AddFunction(0, 8, 2, Device(0x8139));
    EXPECT_EQ("0.0.0[0.6.0 0.6.1 0.6.3 0.8.0]", Scan(machine));
}

// A device whose function 0 does not answer is not probed further, in the bus scans and in
// the host bridge search; probing every function number keeps its other functions.
TEST_F(ScanTest, FunctionsOfADeviceWithoutFunctionZeroAreKeptOnlyWhenEveryNumberIsProbed)
{
    // Device 6 is multi-function, which must not decide for device 7 that lacks its function 0.
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 6, 0, Device(0x8139));
    machine.AddFunction(0, 7, 2, Device(0x7112));
    machine.AddFunction(0, 7, 5, Device(0x7115));
    CMachineText hidden;
    hidden.AddFunction(0, 1, 0, Device(0x8139));
    hidden.AddFunction(0, 2, 3, HostBridge());
    hidden.AddFunction(0, 2, 4, Device(0x7112));
    const struct
    {
        const CMachineText* machine;
        bool everyFunction;
        const char* tree;
        size_t probes;
    } cases[] = {
        // Search: 0.0.0 found at once. Bus 0: 0.0.1..7 skipped as single-function echoes,
        // device 6 one probe, device 7 one probe (or eight), the others one each.
        {&machine, false, "0.0.0[0.6.0]", 1 + 31},
        {&machine, true, "0.0.0[0.6.0 0.7.2 0.7.5]", 1 + 8 * 30 + 1},
        // Without function 0 of device 2 the search finds no host bridge; bus 0 is scanned as a root bus.
        {&hidden, false, "0.0.0", 32 + 32},
        // Search: devices 0 and 1 whole, 2.0..2.3; bus 0: device 1 one probe, device 2 all but itself.
        {&hidden, true, "0.2.3[0.1.0 0.2.4]", (8 + 8 + 4) + (8 + 1 + 7 + 8 * 29)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tree << (c.everyFunction ? ", every function number" : ""));
        LoadMachine(c.machine->Text());
        CPciFunction::CScanOptions options;
        options.everyFunction = c.everyFunction;
        CPciFunction root(m_driver, options);
        EXPECT_EQ(c.tree, Describe(root));
        EXPECT_EQ(c.probes, RequestsOf(IOCTL_PROBE_FUNCTION).size());
    }
}

TEST_F(ScanTest, OtherFunctionsOfTheHostBridgeDeviceFollowItsOwnHeaderType)
{
    for (uint8_t headerType : {0x00, 0x80}) {
        SCOPED_TRACE(testing::Message() << "host bridge header type " << int(headerType));
        CMachineText machine;
        machine.AddFunction(0, 0, 0, HostBridge(headerType));
        machine.AddFunction(0, 0, 1, Device(0x7191));
        EXPECT_EQ(headerType ? "0.0.0[0.0.1]" : "0.0.0", Scan(machine));
    }
}

TEST_F(ScanTest, BridgesThatWouldScanABusAgainAreLeaves)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 1, 0, PciBridge(1));
    machine.AddFunction(0, 2, 0, PciBridge(0));
    machine.AddFunction(0, 3, 0, HostBridge());
    machine.AddFunction(1, 0, 0, PciBridge(2));
    machine.AddFunction(1, 1, 0, HostBridge());
    machine.AddFunction(2, 0, 0, PciBridge(1));
    machine.AddFunction(2, 1, 0, PciBridge(2));
    machine.AddFunction(2, 2, 0, Device(0x8139));
    EXPECT_EQ("0.0.0[0.1.0[1.0.0[2.0.0 2.1.0 2.2.0] 1.1.0] 0.2.0 0.3.0]", Scan(machine));
}

TEST_F(ScanTest, TwoBridgesClaimingOneBusShowItsFunctionsOnce)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 1, 0, PciBridge(3));
    machine.AddFunction(0, 2, 0, PciBridge(3));
    machine.AddFunction(3, 0, 0, Device(0x8139));
    EXPECT_EQ("0.0.0[0.1.0[3.0.0] 0.2.0]", Scan(machine));
}

// Without a host bridge the root is a placeholder and bus 0, scanned as any bus (00:00.0
// included), is its first root bus.
TEST_F(ScanTest, WithoutAHostBridgeTheRootIsAnAbsentFunctionWithoutChildren)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, PciBridge(1));
    machine.AddFunction(0, 1, 0, Device(0x8139));
    machine.AddFunction(1, 0, 0, Device(0x8139));
    machine.AddFunction(2, 0, 0, Device(0x8139));
    for (const bool allRootBuses : {false, true}) {
        SCOPED_TRACE(allRootBuses ? "every root bus" : "bus 0");
        LoadMachine(machine.Text());
        CPciFunction root(m_driver, allRootBuses);
        EXPECT_EQ(std::vector<uint8_t>(256, 0xFF), std::vector<uint8_t>(root.m_image, root.m_image + 256));
        EXPECT_EQ(0, memcmp(root.m_image, root.m_lastRead, 256));
        EXPECT_TRUE(root.m_children.empty());
        EXPECT_TRUE(root.IsPlaceholder());
        std::string roots;
        for (const CPciFunction* top : root.GetTopFunctions())
            roots += Describe(*top) + " ";
        EXPECT_EQ(allRootBuses ? "0.0.0[1.0.0] 0.1.0 2.0.0 " : "0.0.0[1.0.0] 0.1.0 ", roots);
        ASSERT_EQ(allRootBuses ? 2u : 1u, root.m_rootBuses.size());
        EXPECT_EQ(0u, root.m_rootBuses[0].bus);
    }
}

// The simulator's fault for one function fails its probe too, so the function is simply
// absent; failing it only once its probe has answered gives a function that answers but
// whose configuration cannot be read. Such a bridge is listed, unreadable, and scans nothing.
TEST_F(ScanTest, AFunctionThatAnswersButCannotBeReadIsListedAsUnreadable)
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, HostBridge());
    machine.AddFunction(0, 1, 0, PciBridge(1));
    machine.AddFunction(0, 2, 0, Device(0x8139));
    machine.AddFunction(1, 0, 0, Device(0x8139));
    for (const bool failProbeToo : {true, false}) {
        SCOPED_TRACE(failProbeToo ? "the probe fails too" : "only the reads fail");
        LoadMachine(machine.Text());
        if (failProbeToo)
            CompatMachine().SetFault(kSimFaultFunction, 0, 1, 0);
        CompatSetRequestObserver([this](uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool ok) {
            m_requests.push_back({code, in, outLength, ok});
            if (code == IOCTL_PROBE_FUNCTION && ok && in[kAddrDeviceOffset] == 1 && in[kAddrBusOffset] == 0)
                CompatMachine().SetFault(kSimFaultFunction, 0, 1, 0);
        });
        CPciFunction root(m_driver);
        CompatMachine().SetFault(kSimFaultOff, 0, 0, 0);
        if (failProbeToo) {
            EXPECT_EQ("0.0.0[0.2.0]", Describe(root));
            continue;
        }
        EXPECT_EQ("0.0.0[0.1.0 0.2.0]", Describe(root));
        const CPciFunction& unreadable = *root.m_children[0];
        EXPECT_FALSE(unreadable.IsReadable());
        EXPECT_TRUE(root.IsReadable());
        EXPECT_TRUE(root.m_children[1]->IsReadable());
        EXPECT_EQ(unreadable.GetSpaceSize(), 256u);
        EXPECT_EQ(0, memcmp(unreadable.m_image, unreadable.m_lastRead, 256));
        EXPECT_TRUE(unreadable.GetVendorName().empty());
        // One failed read of its configuration, and no request for it after that.
        size_t failed = 0;
        for (const CObservedRequest& request : m_requests)
            failed += !request.ok;
        EXPECT_EQ(failed, 1u);
        EXPECT_EQ(root.GetScanReport().failedRequests, 1u);
    }
}

TEST_F(ScanTest, AChildBuiltOnItsOwnScansTheBusBehindIt)
{
    CMachineText machine;
    machine.AddFunction(0, 1, 0, PciBridge(4));
    machine.AddFunction(4, 2, 0, PciBridge(4));
    machine.AddFunction(4, 3, 0, Device(0x8139));
    LoadMachine(machine.Text());
    CPciFunction bridge(m_driver, 0, 1, 0);
    EXPECT_EQ("0.1.0[4.2.0 4.3.0]", Describe(bridge));
    CPciFunction selfBridge(m_driver, 4, 2, 0);
    EXPECT_EQ("4.2.0", Describe(selfBridge)) << "a bridge to its own bus stays a leaf";
}

} // namespace

// Every function in the tree, depth first.
void Collect(const CPciFunction& function, std::vector<const CPciFunction*>* all)
{
    all->push_back(&function);
    for (const auto& child : function.m_children)
        Collect(*child, all);
}

TEST_F(ScanTest, APciExpressFunctionCostsOneMoreRequestForItsWholeSpace)
{
    std::ifstream file(std::string(BRISCO_MACHINES) + "/modern.txt");
    std::ostringstream text;
    text << file.rdbuf();
    LoadMachine(text.str());
    CPciFunction root(m_driver);
    std::vector<const CPciFunction*> all;
    Collect(root, &all);
    ASSERT_EQ(all.size(), 13u);
    size_t extended = 0;
    for (const CPciFunction* f : all) {
        SCOPED_TRACE(Describe(*f));
        EXPECT_EQ(f->HasExtendedSpace(), f->HasExpressCapability());
        EXPECT_EQ(f->GetSpaceSize(), f->HasExpressCapability() ? 4096u : 256u);
        EXPECT_EQ(0, memcmp(f->GetSpace(), f->m_image, 256)) << "both copies agree";
        extended += f->HasExtendedSpace();
    }
    EXPECT_EQ(extended, 8u);
    // One 808h per function with extended space, never a register read, nothing else added.
    EXPECT_EQ(RequestsOf(IOCTL_READ_EXTENDED_CONFIG_SPACE).size(), extended);
    EXPECT_TRUE(RequestsOf(IOCTL_READ_CONFIG).empty());
    EXPECT_EQ(root.GetScanReport().requests, RequestsOf(IOCTL_PROBE_FUNCTION).size() +
                                                 RequestsOf(IOCTL_READ_CONFIG_SPACE).size() + extended +
                                                 RequestsOf(IOCTL_DESCRIBE_SOURCE).size());
    EXPECT_EQ(RequestsOf(IOCTL_DESCRIBE_SOURCE).size(), 1u) << "the segments are asked for once";
    EXPECT_EQ(m_requests.size(), root.GetScanReport().requests);
}
