#pragma once
// The briscodrv kernel-driver service as the service manager knows it:
// installing it from a .sys file, choosing its machine image, stopping and
// starting it, and telling why a start failed.
#include <string>
#include <windows.h>

class CDriverService {
public:
    CDriverService();
    ~CDriverService();
    CDriverService(const CDriverService&) = delete;
    CDriverService& operator=(const CDriverService&) = delete;

    // Creates the service for driverPath, or points an existing one at it.
    bool Install(const std::string& driverPath, std::string* error);
    bool IsRunning() const;
    // Stops the service if it runs and waits until it has stopped.
    bool Stop(std::string* error);
    // Restarts the driver on the image (empty: the embedded default machine).
    // On failure *error holds the driver's own reason when it gave one.
    bool Restart(const std::string& machineImage, std::string* error);
    // True when the device opens and answers a probe of function 0.0.0.
    static bool DeviceAnswers();

    // Values under the service key's Parameters.
    static bool ReadParameter(const char* name, std::string* value);
    static bool WriteParameter(const char* name, const std::string& value);
    static void DeleteParameter(const char* name);

private:
    bool Start(std::string* error);
    SC_HANDLE OpenOwnService(DWORD access, std::string* error) const;

    SC_HANDLE m_manager = nullptr;
};

constexpr char kDriverServiceName[] = "briscodrv";
constexpr char kDriverParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\briscodrv\\Parameters";
constexpr char kMachineImageParameter[] = "MachineImage";
constexpr char kLastErrorParameter[] = "LastError";
constexpr char kLoadNotesParameter[] = "LoadNotes";
// The live machine instead of an image: "live", the Unix folder standing for "/", and "1" to allow writes.
constexpr char kMachineSourceParameter[] = "MachineSource";
constexpr char kLiveRootParameter[] = "LiveRoot";
constexpr char kLiveWritesParameter[] = "LiveWrites";
// What the harness last started (driver file and machine fingerprints, writes flag).
constexpr char kStampParameter[] = "Stamp";
constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";
