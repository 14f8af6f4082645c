#pragma once
// The machine the driver runs on, as Linux shows it in sysfs (or procfs):
// configuration reads go to the functions' config files at every request, so
// functions that appear or vanish show at the next scan; writes are refused
// unless the user allowed them, and even then only harmless ones pass; BAR
// sizes and plug-and-play records come from a snapshot taken at start.
#include "live/LiveFiles.h"
#include "sim/ImageWriter.h"
#include "sim/RequestServer.h"
#include "sim/SimMachine.h"

#include "pci/ConfigSpace.h"

// One function Linux listed at start: its configuration bytes and BAR ranges.
struct CLiveFunction
{
    uint32_t key;     // routing ID
    uint16_t segment; // the PCI domain Linux lists it in
    uint8_t config[pci::kExtendedConfigSpaceBytes];
    uint32_t configLength;
    uint64_t barStart[kSimBarSlots];
    uint64_t barSize[kSimBarSlots]; // 0: Linux gives no size, or one for another address
    bool barIo[kSimBarSlots];
};

class CLiveMachine : public CRequestServer {
public:
    // files stays owned by the caller and must outlive the machine.
    CLiveMachine(CLiveFiles* files, bool writesAllowed);
    ~CLiveMachine() override;
    CLiveMachine(const CLiveMachine&) = delete;
    CLiveMachine& operator=(const CLiveMachine&) = delete;

    // Lists the functions and builds their records; on failure fills message.
    bool Start(char* message, uint32_t capacity);

    uint32_t GetRegistryRecordCount() const override { return m_snapshot.GetRegistryRecordCount(); }
    bool GetRegistryRecord(uint32_t index, CSimRegistryRecord* record) const override
    {
        return m_snapshot.GetRegistryRecord(index, record);
    }
    const char* GetLoadNotes() const override { return m_notes; }

    // Up to capacity bytes of the function's configuration space as Linux shows
    // it now (256 or 4096 for root, 64 for other users); 0 when Linux does not list it.
    uint32_t ReadConfigSpace(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function, uint8_t* buffer,
                             uint32_t capacity);
    // The same in segment 0.
    uint32_t ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* buffer, uint32_t capacity)
    {
        return ReadConfigSpace(0, bus, device, function, buffer, capacity);
    }

    uint32_t GetFunctionCount() const { return m_functions.Count(); }
    const CLiveFunction& GetFunction(uint32_t index) const { return *m_functions[index]; }
    // Writes the functions of the snapshot as a machine image; ranges (may be
    // nullptr) gives each function's range contents, in the order of the functions.
    bool WriteImage(CImageWriter* writer, const CImageRange (*ranges)[kSimBarSlots]) const;

private:
    enum class Layout { kNone, kSysfs, kProcfs };

    bool ListSysfs();
    bool ListProcfs();
    bool AddFunction(uint32_t domain, uint32_t bus, uint32_t device, uint32_t function);
    void ReadSysfsResources(CLiveFunction* function);
    void KeepSizeIfAssigned(CLiveFunction* function, uint32_t slot, uint64_t start, uint64_t size, bool io);
    void ConfigPath(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function, char* path,
                    uint32_t capacity) const;
    bool BuildSnapshot(char* message, uint32_t capacity);
    // Reads exactly size bytes of configuration space: 0 read, or kSimStatusDeviceNotReady when Linux shows fewer.
    uint32_t ReadConfigBytes(const CServedRequest& request, uint32_t offset, uint32_t size, uint8_t* out,
                             bool* present);

    uint32_t ServeProbe(const CServedRequest& request) override;
    uint32_t ServeReadSpace(const CServedRequest& request, bool whole) override;
    uint32_t ServeReadConfig(const CServedRequest& request) override;
    uint32_t ServeWriteConfig(const CServedRequest& request) override;
    uint32_t ServeReadDevice(const CServedRequest& request) override;
    uint32_t ServeWriteDevice(const CServedRequest& request) override;
    uint32_t SourceKind() const override { return kSourceKindLive; }
    bool TakesConfigWrites() const override { return m_writesAllowed; }
    // 802h: the first 256 bytes.
    uint32_t ServeConventionalSpace(const CServedRequest& request);
    // 808h: the whole space as Linux shows it.
    uint32_t ServeWholeSpace(const CServedRequest& request);

    CLiveFiles* m_files;
    bool m_writesAllowed;
    Layout m_layout = Layout::kNone;
    CSimArray<CLiveFunction*> m_functions; // sorted by segment, then routing ID
    CSimMachine m_snapshot;                // the functions as listed at start: records only
    char m_notes[256];
    uint32_t m_otherDomains[8]; // listed, but beyond the segments a request can name
    uint32_t m_otherDomainCount = 0;
    uint8_t m_policySpace[pci::kExtendedConfigSpaceBytes]; // what a write is judged against
};

// Path prefixes below the root.
constexpr char kSysfsDevicesPath[] = "sys/bus/pci/devices";
constexpr char kProcfsDevicesPath[] = "proc/bus/pci/devices";
