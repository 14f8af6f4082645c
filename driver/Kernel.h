#pragma once
// The kernel headers, usable from C++. MinGW's wdm.h defines two bit-test
// helpers that intrin.h already provides in C++ mode; intrin.h's copies are
// skipped so that the two do not collide.
//
// The kernel headers also need the Vista declarations to be complete; the
// driver still imports only what Windows XP's kernel offers.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
extern "C" {
#include <ntddk.h>
}

// Pool tag of every allocation of the driver ("Brsc" in a pool dump).
constexpr ULONG kPoolTag = 'B' | ('r' << 8) | ('s' << 16) | ('c' << 24);

// Placement new for objects built in pool memory; there is no C++ runtime here.
inline void* operator new(size_t, void* place) noexcept
{
    return place;
}
