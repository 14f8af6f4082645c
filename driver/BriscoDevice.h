#pragma once
// The state behind \Device\briscodrv, living in the device extension: the
// simulated machine that answers every request, and the lock that keeps
// requests from overlapping.
#include "driver/Kernel.h"

class CKernelKey;
class CSimMachine;

class CBriscoDevice {
public:
    CBriscoDevice();
    ~CBriscoDevice();
    CBriscoDevice(const CBriscoDevice&) = delete;
    CBriscoDevice& operator=(const CBriscoDevice&) = delete;

    // Loads the image named under the service key's Parameters (none: the
    // embedded default) and publishes its plug-and-play records. On failure the
    // reason goes to the debugger and to the Parameters value "LastError".
    NTSTATUS Start(PCUNICODE_STRING serviceKeyPath);
    // Serves one METHOD_BUFFERED request in place; *information = bytes answered.
    NTSTATUS Control(ULONG code, void* buffer, ULONG inLength, ULONG outLength, ULONG_PTR* information);
    // Withdraws the plug-and-play records and frees the machine.
    void Stop();

private:
    NTSTATUS LoadMachine(CKernelKey& parameters, char* message, ULONG capacity);
    void Report(CKernelKey& parameters, const char* message);

    CSimMachine* m_machine = nullptr;
    KMUTEX m_lock;
};

// Values under <service key>\Parameters: the image to load (REG_SZ, Win32 path),
// the reason of the last failed start, and remarks of the last load.
constexpr char kParametersKey[] = "Parameters";
constexpr char kMachineImageValue[] = "MachineImage";
constexpr char kLastErrorValue[] = "LastError";
constexpr char kLoadNotesValue[] = "LoadNotes";
