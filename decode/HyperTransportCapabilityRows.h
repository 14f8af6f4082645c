#pragma once
// Rows of the HyperTransport capability (ID 08h): the slave/primary and
// host/secondary interface blocks, MSI mapping, revision ID, interrupt
// discovery and the names of the other block types.
#include "decode/CapabilityRows.h"

#include <stdint.h>

#include <string>

class CHyperTransportCapabilityRows {
public:
    static void Decode(CCapabilityRows& rows);
    // The block type the command word names, in lspci's words ("Host or Secondary Interface").
    static std::string TypeName(uint32_t command);
};
