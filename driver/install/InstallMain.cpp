// briscodrv-install: the Wine harness's helper. Installs, starts and checks
// the stand-in driver, and tells when a program's window is ready to be seen.
// Exit code 0 on success, 1 when the request failed.
//   check STAMP                 running, started for STAMP, and answering
//   start DRIVER STAMP [IMAGE]  (re)install from DRIVER and start on IMAGE
//   start DRIVER STAMP --live ROOT [--writes]
//                               ... or on the live machine below the Unix folder ROOT
//   stop                        stop the driver
//   wait-idle EXE SECONDS       wait until a visible top-level window of the
//                               program EXE exists and its thread takes messages
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "driver/install/DriverService.h"
// psapi.h needs the types of windows.h, which DriverService.h includes.
#include <psapi.h>

namespace {

int Check(const std::string& stamp)
{
    CDriverService service;
    std::string current;
    const char* problem = nullptr;
    if (!service.IsRunning()) {
        problem = "not running";
    } else if (!CDriverService::ReadParameter(kStampParameter, &current) || current != stamp) {
        problem = "started for another driver file or machine image";
    } else if (!CDriverService::DeviceAnswers()) {
        problem = "running but the device does not answer";
    }
    if (problem) {
        std::fprintf(stderr, "briscodrv: %s\n", problem);
        return 1;
    }
    return 0;
}

// The machine the driver is to serve: an image (empty: the default) or the live machine.
struct CMachineChoice
{
    std::string image;
    bool live = false;
    std::string root;
    bool writes = false;
};

int Start(const std::string& driverPath, const std::string& stamp, const CMachineChoice& machine)
{
    CDriverService service;
    std::string error;
    if (machine.live) {
        CDriverService::WriteParameter(kMachineSourceParameter, "live");
        CDriverService::WriteParameter(kLiveRootParameter, machine.root);
        CDriverService::WriteParameter(kLiveWritesParameter, machine.writes ? "1" : "0");
    } else {
        CDriverService::DeleteParameter(kMachineSourceParameter);
        CDriverService::DeleteParameter(kLiveRootParameter);
        CDriverService::DeleteParameter(kLiveWritesParameter);
    }
    if (!service.Install(driverPath, &error) || !service.Restart(machine.image, &error)) {
        std::fprintf(stderr, "briscodrv: %s\n", error.c_str());
        return 1;
    }
    std::string notes;
    if (CDriverService::ReadParameter(kLoadNotesParameter, &notes) && !notes.empty()) {
        std::fprintf(stderr, "briscodrv: %s\n", notes.c_str());
    }
    CDriverService::WriteParameter(kStampParameter, stamp);
    return 0;
}

int Stop()
{
    CDriverService service;
    std::string error;
    if (!service.Stop(&error)) {
        std::fprintf(stderr, "briscodrv: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

struct CWindowSearch
{
    const char* exeName;
    HWND found;
};

bool IsWindowOfProgram(HWND window, const char* exeName)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) {
        return false;
    }
    char path[MAX_PATH] = {};
    const bool named = GetProcessImageFileNameA(process, path, sizeof(path)) != 0;
    CloseHandle(process);
    const char* base = std::strrchr(path, '\\');
    return named && _stricmp(base ? base + 1 : path, exeName) == 0;
}

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<CWindowSearch*>(parameter);
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr &&
        IsWindowOfProgram(window, search->exeName)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A message that comes back proves the program's start-up work (such as a bus
// scan run before the message loop) is over.
int WaitIdle(const char* exeName, int seconds)
{
    constexpr DWORD kPollMs = 100;
    const DWORD deadline = GetTickCount() + DWORD(seconds) * 1000;
    CWindowSearch search = {exeName, nullptr};
    while (!search.found && int(deadline - GetTickCount()) > 0) {
        EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(kPollMs);
        }
    }
    const int left = int(deadline - GetTickCount());
    DWORD_PTR result = 0;
    if (!search.found || left <= 0 ||
        !SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL, DWORD(left), &result)) {
        std::fprintf(stderr, "briscodrv-install: no responsive window of %s within %d s\n", exeName, seconds);
        return 1;
    }
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: briscodrv-install check STAMP | start DRIVER STAMP [IMAGE | --live ROOT [--writes]] | stop"
                 " | wait-idle EXE SECONDS\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) {
        return Check(argv[2]);
    }
    if (argc >= 4 && argc <= 7 && std::strcmp(argv[1], "start") == 0) {
        CMachineChoice machine;
        if (argc >= 6 && std::strcmp(argv[4], "--live") == 0) {
            machine.live = true;
            machine.root = argv[5];
            machine.writes = argc == 7 && std::strcmp(argv[6], "--writes") == 0;
            if (argc == 7 && !machine.writes) {
                return Usage();
            }
        } else if (argc == 5) {
            machine.image = argv[4];
        } else if (argc != 4) {
            return Usage();
        }
        return Start(argv[2], argv[3], machine);
    }
    if (argc == 2 && std::strcmp(argv[1], "stop") == 0) {
        return Stop();
    }
    if (argc == 4 && std::strcmp(argv[1], "wait-idle") == 0) {
        return WaitIdle(argv[2], std::atoi(argv[3]));
    }
    return Usage();
}
