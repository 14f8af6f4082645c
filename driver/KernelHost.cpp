// What the simulated machine and the compiler expect from their host, supplied
// from the kernel: pool memory, debug output and the four memory routines gcc
// may call on its own. The loops below must not be turned back into calls to
// themselves, hence -fno-tree-loop-distribute-patterns on this target.
#include "driver/Kernel.h"
#include "sim/SimHost.h"

void* SimAlloc(uint32_t bytes)
{
    if (bytes == 0) {
        bytes = 1;
    }
    void* p = ExAllocatePoolWithTag(NonPagedPool, bytes, kPoolTag);
    if (p) {
        RtlZeroMemory(p, bytes);
    }
    return p;
}

void SimFree(void* p)
{
    if (p) {
        ExFreePoolWithTag(p, kPoolTag);
    }
}

void SimTrace(const char* text)
{
    DbgPrint("briscodrv: %s\n", text);
}

extern "C" void* memcpy(void* destination, const void* source, size_t bytes)
{
    auto* d = static_cast<unsigned char*>(destination);
    auto* s = static_cast<const unsigned char*>(source);
    while (bytes--) {
        *d++ = *s++;
    }
    return destination;
}

extern "C" void* memmove(void* destination, const void* source, size_t bytes)
{
    auto* d = static_cast<unsigned char*>(destination);
    auto* s = static_cast<const unsigned char*>(source);
    if (d < s) {
        while (bytes--) {
            *d++ = *s++;
        }
    } else {
        while (bytes--) {
            d[bytes] = s[bytes];
        }
    }
    return destination;
}

extern "C" void* memset(void* destination, int value, size_t bytes)
{
    auto* d = static_cast<unsigned char*>(destination);
    while (bytes--) {
        *d++ = static_cast<unsigned char>(value);
    }
    return destination;
}

extern "C" int memcmp(const void* a, const void* b, size_t bytes)
{
    auto* x = static_cast<const unsigned char*>(a);
    auto* y = static_cast<const unsigned char*>(b);
    for (; bytes; --bytes, ++x, ++y) {
        if (*x != *y) {
            return *x < *y ? -1 : 1;
        }
    }
    return 0;
}

// Classes with virtual destructors refer to the deleting destructor, which
// calls these; nothing in the driver is allocated with new, so they are never reached.
void operator delete(void* p) noexcept
{
    SimFree(p);
}

void operator delete(void* p, size_t) noexcept
{
    SimFree(p);
}

extern "C" void __cxa_pure_virtual()
{
    DbgPrint("briscodrv: pure virtual call\n");
}
