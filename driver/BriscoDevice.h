#pragma once
// The state behind \Device\briscodrv, living in the device extension: the
// source that answers every request (a machine image or the live machine), and
// the lock that keeps requests from overlapping.
#include "driver/Kernel.h"

class CKernelFiles;
class CKernelKey;
class CMachineSource;

class CBriscoDevice {
public:
    CBriscoDevice();
    ~CBriscoDevice();
    CBriscoDevice(const CBriscoDevice&) = delete;
    CBriscoDevice& operator=(const CBriscoDevice&) = delete;

    // Loads the source the service key's Parameters name (the live machine, an
    // image, or the embedded default) and publishes its plug-and-play records. On failure the
    // reason goes to the debugger and to the Parameters value "LastError".
    NTSTATUS Start(PCUNICODE_STRING serviceKeyPath);
    // Serves one METHOD_BUFFERED request in place; *information = bytes answered.
    NTSTATUS Control(ULONG code, void* buffer, ULONG inLength, ULONG outLength, ULONG_PTR* information);
    // Withdraws the plug-and-play records and frees the source.
    void Stop();

private:
    NTSTATUS LoadMachine(CKernelKey& parameters, char* message, ULONG capacity);
    NTSTATUS StartLive(CKernelKey& parameters, char* message, ULONG capacity);
    void Report(CKernelKey& parameters, const char* message);

    CMachineSource* m_source = nullptr;
    CKernelFiles* m_files = nullptr; // the live machine's files, outliving it
    KMUTEX m_lock;
};

// Values under <service key>\Parameters: the image to load (REG_SZ, Win32 path),
// or the live machine with the Unix folder that stands for "/" and whether
// configuration writes may pass; the reason of the last failed start, and
// remarks of the last load.
constexpr char kParametersKey[] = "Parameters";
constexpr char kMachineImageValue[] = "MachineImage";
constexpr char kMachineSourceValue[] = "MachineSource"; // "live", or absent for an image
constexpr char kLiveSourceName[] = "live";
constexpr char kLiveRootValue[] = "LiveRoot";     // REG_SZ, default "/"
constexpr char kLiveWritesValue[] = "LiveWrites"; // REG_SZ "1" allows configuration writes
constexpr char kLastErrorValue[] = "LastError";
constexpr char kLoadNotesValue[] = "LoadNotes";
