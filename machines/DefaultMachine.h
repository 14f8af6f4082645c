#pragma once
// The machine image served when no other image is named (machines/default.txt).
#include <stdint.h>

extern "C" const char kDefaultMachineImage[];
// Length of the text without the terminating NUL.
extern "C" const uint32_t kDefaultMachineImageSize;
