#pragma once
// An open registry key of the kernel's object manager, closed when it goes
// out of scope. Names are given as plain ASCII or as counted Unicode strings.
#include "driver/Kernel.h"

class CKernelKey {
public:
    CKernelKey() = default;
    ~CKernelKey();
    CKernelKey(const CKernelKey&) = delete;
    CKernelKey& operator=(const CKernelKey&) = delete;

    // Opens path (absolute, or relative to parent when it is open).
    NTSTATUS Open(const CKernelKey* parent, PCUNICODE_STRING path, ACCESS_MASK access = KEY_ALL_ACCESS);
    NTSTATUS Open(const CKernelKey* parent, const char* path, ACCESS_MASK access = KEY_ALL_ACCESS);
    // Creates (or opens) a volatile key, absolute or below parent; *created tells whether it is new.
    NTSTATUS CreateVolatile(const CKernelKey* parent, const char* name, bool* created);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

    NTSTATUS SetString(const char* name, const char* text);
    NTSTATUS SetDword(const char* name, ULONG value);
    NTSTATUS SetBinary(const char* name, ULONG type, const void* data, ULONG length);
    bool HasValue(const char* name) const;
    // Reads a REG_SZ value into a terminated wide buffer; fails when it does not fit.
    NTSTATUS QueryString(const char* name, WCHAR* buffer, ULONG capacityChars) const;
    NTSTATUS DeleteValue(const char* name);

    // Name of the index-th subkey as ASCII (characters above 0x7F become '?').
    NTSTATUS SubkeyName(ULONG index, char* buffer, ULONG capacity) const;
    // Deletes every subkey down to the given depth, then the key itself.
    NTSTATUS DeleteTree(ULONG depth);

private:
    NTSTATUS OpenCounted(HANDLE root, PUNICODE_STRING path, ACCESS_MASK access);

    HANDLE m_handle = nullptr;
};

// Longest key name or string value the driver handles, in characters.
constexpr ULONG kMaxKeyNameChars = 512;

// An ASCII text widened into a counted Unicode string over its own buffer.
class CWideName {
public:
    explicit CWideName(const char* text);
    PUNICODE_STRING Get() { return &m_string; }
    bool Fits() const { return m_fits; }

private:
    WCHAR m_buffer[kMaxKeyNameChars];
    UNICODE_STRING m_string;
    bool m_fits;
};
