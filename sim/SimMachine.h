#pragma once
// The simulated PCI machine: loads a machine image and serves the driver's
// device-control requests against it.
#include <stdint.h>
#include "sim/RequestServer.h"
#include "sim/SimRange.h"
#include "protocol/DriverProtocol.h"
#include "sim/SimUtil.h"

class CSimFunction;

struct CSimError
{
    char fileName[128];
    uint32_t line; // 0 when the error concerns the whole image
    char message[256];
};

// One plug-and-play instance key, as the operating system would record it under
// HKLM\SYSTEM\CurrentControlSet\Enum\PCI\<deviceKey>\<instance>.
struct CSimRegistryRecord
{
    char deviceKey[96];
    char instance[64];
    bool hasLocation;
    char location[96];
    // The location names no segment: a function outside segment 0 gives it here, 0 elsewhere.
    uint32_t segment;
    bool hasControl;
    const uint8_t* allocConfig; // REG_RESOURCE_LIST data of this build's layout, owned by the machine
    uint32_t allocConfigLength;
};

// Largest unit x count of one device range request (64 KiB).
constexpr uint32_t kSimMaxTransferBytes = kMaxRangeTransferBytes;

class CSimMachine : public CRequestServer {
public:
    CSimMachine();
    ~CSimMachine() override;
    CSimMachine(const CSimMachine&) = delete;
    CSimMachine& operator=(const CSimMachine&) = delete;

    // Replaces the machine by the image; on failure fills error and keeps the old machine.
    bool Load(const char* text, uint32_t length, const char* fileName, CSimError* error);
    uint32_t GetRegistryRecordCount() const override;
    bool GetRegistryRecord(uint32_t index, CSimRegistryRecord* record) const override;

    // 0 off, 1 fail every request, 2 fail requests that concern one function; busField is a
    // request's bus field (MakeBusField), so a plain bus number names segment 0.
    void SetFault(uint32_t mode, uint32_t busField, uint32_t device, uint32_t function);

    // Remarks of the last successful load (PCI domains beyond FFFFh left out, Region lines no BAR can
    // hold), one per line; may be empty.
    const char* GetLoadNotes() const override { return m_notes; }
    uint32_t GetFunctionCount() const { return m_functions.Count(); }
    const CSimFunction* GetFunction(uint32_t index) const { return m_functions[index]; }
    // The function answering at the address (following devices that ignore the function number).
    CSimFunction* FindFunction(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function) const;
    // The same in segment 0.
    CSimFunction* FindFunction(uint32_t bus, uint32_t device, uint32_t function) const
    {
        return FindFunction(0, bus, device, function);
    }

private:
    uint32_t ServeProbe(const CServedRequest& request) override;
    uint32_t ServeReadSpace(const CServedRequest& request, bool whole) override;
    uint32_t ServeReadConfig(const CServedRequest& request) override;
    uint32_t ServeWriteConfig(const CServedRequest& request) override;
    uint32_t ServeReadDevice(const CServedRequest& request) override;
    uint32_t ServeWriteDevice(const CServedRequest& request) override;
    bool TakesSimulatorControls() const override { return true; }
    uint32_t ServeSetFault(const CServedRequest& request) override;
    uint32_t SourceKind() const override { return kSourceKindImage; }
    bool TakesConfigWrites() const override;

    static bool WithinSpace(const CSimFunction* f, uint32_t offset, uint32_t size);
    bool FaultsAddress(const CServedRequest& request) const;
    bool FaultsRange(uint8_t space, uint64_t address, uint32_t bytes) const;
    // The status the write fault modes refuse every write with; success when none is on.
    uint32_t WriteRefusal() const;
    // A stretch of a range request that one BAR decodes, or that nothing decodes.
    struct CRun
    {
        CSimFunction* m_function; // nullptr: unmapped
        uint32_t m_slot;
        uint64_t m_offset;
        uint32_t m_length;
    };
    // Finds the function and BAR slot decoding the address, or returns false. Where ranges
    // overlap (broken firmware), the lowest bus/device/function decodes, then its lowest slot,
    // whatever was resolved before. alone: no other range shares any address with the one found.
    bool Resolve(uint8_t space, uint64_t address, CSimFunction** function, uint32_t* slot, uint64_t* offset,
                 bool* alone);
    // Whether another range of the space shares an address with the slot's.
    bool Overlapped(const CSimFunction* function, uint32_t slot, uint8_t space) const;
    // Splits a request at BAR boundaries: the run that starts at the address.
    CRun NextRun(uint8_t space, uint64_t address, uint32_t remaining);
    // Up to length, the distance from the address to the nearest range that starts above it.
    uint64_t DistanceToNextRange(uint8_t space, uint64_t address, uint64_t length) const;
    void ReleaseFunctions(CSimArray<CSimFunction*>* functions, CSimPageBudget* budget);

    CSimArray<CSimFunction*> m_functions; // sorted by address
    CSimPageBudget m_budget;
    char m_notes[768];
    uint32_t m_faultMode;
    uint32_t m_faultKey;
    // The range of the last request when no other range overlaps it; reset by every
    // configuration write, which may move or enable a range.
    CSimFunction* m_lastFunction;
    uint32_t m_lastSlot;
};
