#pragma once
// The driver's source of answers: a machine image (CSimMachine) or the machine
// the driver runs on (CLiveMachine). The driver hands every request to its source
// and publishes the source's plug-and-play records.
#include <stdint.h>

struct CSimRegistryRecord;

class CMachineSource {
public:
    virtual ~CMachineSource() = default;

    // Serves one request; returns an NTSTATUS value, *returned = bytes written to out.
    virtual uint32_t Dispatch(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                              uint32_t* returned) = 0;
    virtual uint32_t GetRegistryRecordCount() const = 0;
    virtual bool GetRegistryRecord(uint32_t index, CSimRegistryRecord* record) const = 0;
    // Remarks of the last load (for example PCI domains left out); may be empty.
    virtual const char* GetLoadNotes() const = 0;
};
