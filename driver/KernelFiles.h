#pragma once
// The Linux host's files for the live machine, reached from inside Wine's
// winedevice through the Z: drive with the kernel's Zw* file calls.
#include "driver/Kernel.h"
#include "live/LiveFiles.h"

// Longest root path accepted, in characters.
constexpr ULONG kMaxLiveRootChars = 256;

class CKernelFiles : public CLiveFiles {
public:
    // root: a Unix path ("/" on a real machine, a fake tree in tests); false when too long.
    bool SetRoot(const WCHAR* root);

    bool Read(const char* path, uint32_t offset, uint8_t* buffer, uint32_t capacity, uint32_t* read) override;
    bool Write(const char* path, uint32_t offset, const uint8_t* data, uint32_t bytes) override;
    bool List(const char* path, void (*visit)(void* context, const char* name), void* context) override;

private:
    NTSTATUS Open(const char* path, ACCESS_MASK access, ULONG options, HANDLE* handle) const;

    WCHAR m_root[kMaxLiveRootChars];
    ULONG m_rootChars = 0;
};
