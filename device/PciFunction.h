#pragma once
// One PCI function of the machine: its place, one image of its configuration bytes and what
// the hardware last returned for them, its BAR sizes, names and, for a bridge, the functions
// found behind it. Constructing the root builds the tree.
#include "device/BarInfo.h"
#include "pci/Bar.h"
#include "pci/ConfigSpace.h"

#include <windows.h>

#include <stdint.h>

#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CPciNameIndex;
class CPnpInstanceIndex;
class CWriteObserver;

class CPciFunction {
public:
    // How the scan that built a tree went; the root keeps it. A failed probe reads as an
    // absent function, so only these counts tell a refusing driver from an empty bus.
    struct CScanReport
    {
        uint32_t requests = 0;
        uint32_t failedRequests = 0;
        bool hostBridgeFound = false;
        // Whether the source answered 809h, one of the requests counted; the others name functions.
        bool sourceDescribed = false;
        // The progress callback stopped the scan; the tree is incomplete.
        bool cancelled = false;
    };

    // Where a scan has got to: the bus it is on, the buses it has begun and those known to
    // exist so far (bus 0, the ranges behind the bridges found, every bus while sweeping).
    struct CScanProgress
    {
        uint32_t bus = 0;
        uint32_t busesScanned = 0;
        uint32_t busesKnown = 0;
    };
    // Called before each device a scan probes; false stops the scan.
    using ScanProgressCallback = std::function<bool(const CScanProgress&)>;

    // What answers the driver's requests (809h). A driver that does not know the request is
    // taken as an image that takes writes, with segment 0 alone.
    struct CSource
    {
        bool live = false;
        bool configWritesAllowed = true;
        std::vector<uint16_t> segments{0};
        // Whether the request was answered at all.
        bool answered = false;
    };
    static CSource DescribeSource(HANDLE hDriver);
    // The driver the function was read through, for asking it what it serves.
    HANDLE GetDriverHandle() const { return m_hDriver; }
    // The status bar text for a write the driver refused with this Win32 error.
    // onBar: the refused write went to a BAR register or a BAR's range.
    static std::string DescribeWriteError(DWORD error, bool onBar = true);
    // Whether the refusal TakeWriteError last gave concerned a BAR.
    bool WasWriteErrorOnBar() const { return m_writeErrorOnBar; }

    // A capability walk never visits more entries than the image has dwords.
    static constexpr uint32_t kMaxCapabilityEntries = 64;
    // The name database, opened by this relative name, so from the current folder.
    static constexpr char kNameFile[] = "pcidevs.txt";

    // A bus that no bridge of the tree reaches, with the functions found on it (and, below
    // its bridges, theirs): the uncore buses of many desktops, the second socket of a server;
    // and bus 0 itself when it holds no host bridge.
    struct CRootBus
    {
        uint16_t segment = 0;
        uint32_t bus = 0;
        std::vector<std::unique_ptr<CPciFunction>> functions;
    };
    // (4096 - 256) / 4: more extended entries than this cannot be distinct.
    static constexpr uint32_t kMaxExtendedCapabilityEntries = 960;

    // How a root scan probes. By default it probes as an operating system does: a device whose
    // function 0 does not answer is not probed further.
    struct CScanOptions
    {
        // Every bus the tree did not reach is swept afterwards in the same scan, so no bus is
        // scanned twice and no function is listed twice.
        bool allRootBuses = false;
        // Functions 1..7 of a device whose function 0 does not answer are probed too and kept
        // when they answer (some hypervisors present such devices).
        bool everyFunction = false;
    };

    // Root: finds the host bridge on bus 0 and scans the whole tree behind it. Without a host
    // bridge the root is a placeholder and bus 0 is scanned as the first of its root buses.
    // Bus 0 of every further segment the source declares (809h) is a root bus of its own.
    explicit CPciFunction(HANDLE hDriver);
    // The same with allRootBuses alone of the options.
    CPciFunction(HANDLE hDriver, bool allRootBuses);
    // With options; progress, when given, is told before each device and stops the scan
    // (reported as cancelled) when it answers false.
    CPciFunction(HANDLE hDriver, const CScanOptions& options, ScanProgressCallback progress = nullptr);
    // Child: reads one function and, for a bridge, everything behind it.
    CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, uint16_t segment = 0);
    ~CPciFunction();

    CPciFunction(const CPciFunction&) = delete;
    CPciFunction& operator=(const CPciFunction&) = delete;

    // Configuration requests for any function address through this object's driver handle.
    // bus is the request's bus field: the bus number, with the segment above it
    // (MakeBusField); in segment 0 the plain bus number. ReadConfigSpace writes the destination only on success; ReadConfig answers all ones when
    // its request fails, which is what an absent function reads.
    bool ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* destination);
    uint32_t ReadConfig(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size);
    bool WriteConfig(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size, uint32_t value);

    // Writes one register of the image to the device when it differs from what was last read,
    // through Write. Registers that do not lie within the first 256 bytes are ignored.
    void WriteConfigRegister(uint32_t offset, uint32_t size);
    // Writes one register of the image to the device whatever was last read, through Write: an
    // edit always reaches the device. When the read-back fails the image keeps the last value
    // read and the register is marked unread; false then.
    bool WriteEditedRegister(uint32_t offset, uint32_t size);
    // Writes back every register of the header layout and the dwords above it that were edited.
    void RefreshConfigSpace();

    // The whole configuration space (4096 bytes with extended space, else 256): the image.
    const uint8_t* GetSpace() const { return m_image; }
    uint32_t GetSpaceSize() const { return m_imageSize; }
    bool HasExtendedSpace() const { return m_imageSize > pci::kConfigSpaceBytes; }
    // A register of the whole space; all ones for one outside it.
    uint32_t GetSpaceValue(uint32_t offset, uint32_t size) const;
    // Writes value to one register at any offset of the space, through Write. readBack receives
    // what the device kept; when the read-back failed, the last value read, and the register is
    // marked unread. False for a register outside the space.
    bool WriteSpaceRegister(uint32_t offset, uint32_t size, uint32_t value, uint32_t* readBack = nullptr);
    // What one write did: the register before it, the value sent, what it reads after, and
    // what the register catalogue says it should read after.
    struct CWriteResult
    {
        bool sent = false;   // the register lies in the space and the write was sent
        bool readOk = false; // the read-back answered
        uint32_t before = 0;
        uint32_t written = 0;
        uint32_t readBack = 0;
        uint32_t predicted = 0;
        // The bits the read-back has other than predicted.
        uint32_t Differs() const { return readBack ^ predicted; }
    };
    // The one write every page and tool makes: width bytes at offset get value's bits under
    // mask. A partial mask takes a fresh read first: the bits outside it are sent as read, but
    // RW1C bits outside it as zero, so only the bits asked for are cleared. The read-back goes
    // into the image and is compared with the catalogue's prediction. before is the fresh read,
    // or with a full mask what was last read (an edit of the image is not yet the device's).
    CWriteResult Write(uint32_t offset, uint32_t width, uint32_t value, uint32_t mask);
    // Tells observer (borrowed; null for none) of the writes and BAR probes of this function, every
    // function below it and those of the root buses.
    void SetWriteObserver(CWriteObserver* observer);
    CWriteObserver* GetWriteObserver() const { return m_writeObserver; }
    // Reads the whole space again (one request) into the image and clears every unread mark;
    // false when the request failed.
    bool ReloadSpace();
    // Whether a byte of the register failed its last read-back: its copies hold an older value.
    bool IsUnread(uint32_t offset, uint32_t size) const;
    // The extended capability list, walked as the capabilities page walks it.
    std::vector<uint32_t> GetExtendedCapabilityOffsets() const;
    // True when the first 256 bytes hold a PCI Express capability: only such a function has
    // extended space, so only it is asked for the whole space.
    bool HasExpressCapability() const;

    bool IsBridge() const;
    // False for a function that answered the probe but whose configuration could not be read
    // (the request failed or came back short): its image is not the device's, so nothing in it
    // may be shown as a register or written back.
    bool IsReadable() const { return m_readable; }
    // Takes a 256-byte image as if the device had returned it: for a function built without a
    // device behind it.
    void SetConfigImage(const uint8_t* image);

    // The capability list as pointers into the image; index receives the entry's dword index.
    uint8_t* GetFirstCapability(uint32_t* index = nullptr);
    const uint8_t* GetFirstCapability(uint32_t* index = nullptr) const;
    uint8_t* GetNextCapability(const uint8_t* entry, uint32_t* index = nullptr);
    const uint8_t* GetNextCapability(const uint8_t* entry, uint32_t* index = nullptr) const;
    // The dword indices of the capability list in order, walked as the capabilities page walks
    // it: the layout's list pointer, each entry once, an entry in the header the last one.
    std::vector<uint32_t> GetCapabilityIndices() const;

    // The BAR whose full base equals the address; -1 when none does.
    int FindBarForAddress(uint64_t address) const;
    // Sizes a BAR by writing all ones, both halves of a 64-bit BAR, with the function's memory
    // and I/O decode off meanwhile; the saved values and the command register are written back
    // whatever fails. An upper half is never probed.
    uint64_t ProbeBarSize(int index);
    // Unit sizes other than 1, 2 and 4, a count of 0, lengths a request cannot carry, an upper
    // half and a range that would run past the 64-bit address space are refused. Addresses
    // above 4 GiB go in the wide requests, never truncated.
    bool ReadDeviceData(int index, uint32_t offset, void* buffer, uint32_t unitSize, uint32_t count);
    bool WriteDeviceData(int index, uint32_t offset, const void* data, uint32_t unitSize, uint32_t count);
    // The Win32 error of the first configuration or range write the driver refused since the
    // last call (ERROR_SUCCESS when none was); the call forgets it. A read-back cannot hide it.
    DWORD TakeWriteError();

    std::string GetVendorName() const;
    std::string GetDeviceName() const;
    std::string GetSubsystemVendorName() const;

    // Looks the three names up in pcidevs.txt in the current directory.
    void LoadDeviceNames();
    // Takes the BAR sizes from the resources recorded in the registry for this function.
    void LoadAssignedResources();
    // The same through what this scan has read already: the name file's index (null
    // when there is no file) and the instances of the device keys looked at so far.
    void LoadDeviceNames(const CPciNameIndex* names);
    void LoadAssignedResources(CPnpInstanceIndex& instances);
    // Sets the size of each BAR that a port or memory range of the resource list starts at, when
    // the range is of the BAR's kind and of a length the BAR can decode; partialBytes is the
    // stride of its partial descriptors (16 or 20, by the system's bitness).
    void ReadAssignedResources(const std::vector<uint8_t>& data, uint32_t partialBytes);
    // The open instance subkey of deviceKey whose location names bus/device/function and whose
    // "Segment" value (absent: 0) names the segment, or nullptr.
    static HKEY FindInstanceKey(HKEY deviceKey, uint32_t bus, uint32_t device, uint32_t function, uint16_t segment = 0);

    // Register values of the image's first 256 bytes.
    uint8_t GetConfigByte(uint32_t offset) const;
    uint16_t GetConfigWord(uint32_t offset) const;
    uint16_t GetVendorId() const;
    uint16_t GetDeviceId() const;
    uint32_t GetHeaderLayout() const;
    bool IsMultiFunction() const;
    // The number of BARs of the header layout: 6, 2 or 0.
    int GetBarCount() const;
    // BAR index of the image; 0 for an index outside the layout's BARs.
    uint32_t GetBarValue(int index) const;
    // The BAR slot at index; kind kNone for an index outside the layout's BARs.
    CBarInfo GetBar(int index) const;

    // The PCI segment (domain); 0 on machines with one.
    uint16_t m_segment = 0;
    uint32_t m_bus = 0;
    uint32_t m_device = 0;
    uint32_t m_function = 0;
    uint64_t m_barSizes[pci::kMaxBars] = {};
    HANDLE m_hDriver = nullptr;
    // The function's bytes: the conventional 256, then the extended space when the function
    // has one; m_imageSize says how many are its. A view may change bytes and ask for a
    // write-back; every write's read-back lands here.
    uint8_t m_image[pci::kExtendedConfigSpaceBytes] = {};
    // What the hardware last returned for each byte of the image: an edit not yet written
    // differs from it, and a failed read-back falls back to it.
    uint8_t m_lastRead[pci::kExtendedConfigSpaceBytes] = {};
    uint32_t m_imageSize = pci::kConfigSpaceBytes;
    std::vector<std::unique_ptr<CPciFunction>> m_children;
    // Further root buses, in bus order; only a root swept with allRootBuses has any.
    std::vector<CRootBus> m_rootBuses;
    std::string m_vendorName;
    std::string m_deviceName;
    std::string m_subsystemVendorName;

    // A function's address as its tree label begins: "bus.device.function" in decimal, with the
    // segment first in four hex digits outside segment 0 ("0001:3.0.0").
    static std::string FormatAddress(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function);
    // This function's bus field for requests: its bus with its segment.
    uint32_t BusField() const;
    const CScanReport& GetScanReport() const { return m_scanReport; }
    // The root of a scan that found no host bridge on bus 0: it stands for no function (its
    // image is all ones), and the machine's functions are those of its root buses.
    bool IsPlaceholder() const { return m_placeholder; }
    // The functions no bridge of the tree lies above: this root unless it is a placeholder,
    // then those of each root bus in order. Each one's tree holds the rest of the machine.
    std::vector<const CPciFunction*> GetTopFunctions() const;
    // Whether the plug-and-play records hold an instance at this function's location.
    bool HasRegistryRecord() const { return m_hasRegistryRecord; }
    // Whether that record has a Control key (the device was started and given resources).
    bool IsRegistryRecordStarted() const { return m_registryRecordStarted; }

private:
    struct CScanState;

    CPciFunction(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, CScanState& scan);
    bool SizeBarRegister(uint32_t reg, uint32_t* mask);
    // The BAR that a resource descriptor of this type, start and length can describe, or -1.
    int FindBarForRange(uint8_t type, uint64_t start, uint64_t length) const;
    bool SendRangeRequest(int index, uint32_t offset, bool write, void* buffer, uint32_t unitSize, uint32_t count);
    // Keeps the error of a refused write until TakeWriteError.
    bool NoteWrite(bool ok, bool onBar = true);
    void ReadChild(CScanState& scan);
    void FindHostBridge(CScanState& scan);
    void ScanChildren(CScanState& scan);
    // Probes every device of the bus and builds the functions that answer into functions.
    void ScanBus(uint32_t bus, CScanState& scan, std::vector<std::unique_ptr<CPciFunction>>& functions);
    void SweepRootBuses(CScanState& scan);
    // Scans a bus no bridge reached and keeps it as a root bus when anything answers there.
    void ScanRootBus(uint32_t bus, CScanState& scan);
    // Bus 0 of each segment after the first, and with allRootBuses every bus of each.
    void ScanSegments(const std::vector<uint16_t>& segments, bool allRootBuses, CScanState& scan);
    bool ShouldScanBus(uint32_t bus, const CScanState& scan) const;
    bool SendProbe(uint32_t bus, uint32_t device, uint32_t function, uint32_t* value);
    uint32_t ProbeFunction(uint32_t bus, uint32_t device, uint32_t function, CScanState& scan);
    bool ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* destination, CScanState& scan);
    // Sends 808h; space receives 4096 or 256 bytes as the driver answered.
    bool ReadWholeSpace(std::vector<uint8_t>* space);
    // After the first 256 bytes are read: the rest of a PCI Express function's space.
    void ReadSpace(CScanState& scan);
    // Takes bytes the device returned, from offset 0, as the image and as what was last read.
    void TakeImage(const uint8_t* bytes, uint32_t size);

    // The configuration write request for this function: the one every write sends.
    bool SendWrite(uint32_t offset, uint32_t width, uint32_t value);
    // Whether a register of this width lies within the function's bytes.
    bool IsInImage(uint32_t offset, uint32_t width) const;
    // The read request for this function; value is all ones when it fails.
    bool SendRead(uint32_t offset, uint32_t width, uint32_t* value);
    // Stores a register read back from the device into the image and what was last read, or,
    // when the read failed, puts the last value read back into the image and marks it unread.
    void StoreReadBack(uint32_t offset, uint32_t size, bool readOk, uint32_t value);

    CScanReport m_scanReport;
    std::bitset<pci::kExtendedConfigSpaceBytes> m_unread;
    DWORD m_writeError = ERROR_SUCCESS;
    CWriteObserver* m_writeObserver = nullptr;
    bool m_writeErrorOnBar = false;
    bool m_hasRegistryRecord = false;
    bool m_registryRecordStarted = false;
    bool m_readable = true;
    bool m_placeholder = false;
    void MarkAbsent();
    void MarkUnreadable();
    void FinishConstruction(CScanState& scan);
};
