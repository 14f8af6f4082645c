#pragma once
// The unit widths in which the function view's grids show a range, in bytes per unit.
#include "pci/ConfigSpace.h"

constexpr int kByteUnit = int(pci::kByteBytes);
constexpr int kWordUnit = int(pci::kWordBytes);
constexpr int kDwordUnit = int(pci::kDwordBytes);
