#pragma once
// Rows of the error-handling extended capabilities: Advanced Error Reporting
// and Downstream Port Containment, in lspci's vocabulary.
#include "decode/CapabilityRows.h"

#include <stdint.h>

#include <string>

class CErrorCapabilityRows {
public:
    // False when the ID is not one of this family's.
    static bool Decode(uint16_t id, CCapabilityRows& rows);
    // "DLP- SDES- TLP- ..." for the uncorrectable status, mask and severity registers.
    static std::string UncorrectableText(uint32_t value);
    // "RxErr- BadTLP- ..." for the correctable status and mask registers.
    static std::string CorrectableText(uint32_t value);
};
