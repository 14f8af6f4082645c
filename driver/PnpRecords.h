#pragma once
// The plug-and-play records of the driver's machine (an image or the live one), kept as volatile keys
// under Enum\PCI as the operating system would keep them for real functions.
// Every key the driver creates carries a marker value, so a later start removes
// exactly its own keys and never the entries that were there before it.
#include "driver/Kernel.h"

class CMachineSource;

class CPnpRecords {
public:
    // Deletes every marked device or instance key under Enum\PCI.
    static NTSTATUS RemoveOurs();
    // Writes one instance key (with its location and Control\AllocConfig) per record.
    static NTSTATUS Write(const CMachineSource& machine);
};

// Name of the marker value on the keys the driver created.
constexpr char kPnpMarkerValue[] = "BriscoSimulated";
