// briscodrv-install: installs, starts and checks the stand-in driver for the
// Wine harness. Exit code 0 on success, 1 when the request failed.
//   check STAMP                 running, started for STAMP, and answering
//   start DRIVER STAMP [IMAGE]  (re)install from DRIVER and start on IMAGE
//   stop                        stop the driver
#include <cstdio>
#include <cstring>
#include <string>
#include "DriverService.h"

namespace
{

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

int Start(const std::string& driverPath, const std::string& stamp, const std::string& image)
{
    CDriverService service;
    std::string error;
    if (!service.Install(driverPath, &error) || !service.Restart(image, &error)) {
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

int Usage()
{
    std::fprintf(stderr, "usage: briscodrv-install check STAMP | start DRIVER STAMP [IMAGE] | stop\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) {
        return Check(argv[2]);
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "start") == 0) {
        return Start(argv[2], argv[3], argc == 5 ? argv[4] : "");
    }
    if (argc == 2 && std::strcmp(argv[1], "stop") == 0) {
        return Stop();
    }
    return Usage();
}
