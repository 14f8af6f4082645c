#pragma once
// The whole contents of a machine image file, read into pool memory.
#include "driver/Kernel.h"

class CImageFile {
public:
    CImageFile() = default;
    ~CImageFile();
    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;

    // Reads the file at a Win32 path ("C:\..." or "\??\C:\..."); refuses files above kMaxImageBytes.
    NTSTATUS Read(const WCHAR* path);
    const char* Text() const { return m_text; }
    ULONG Length() const { return m_length; }

private:
    char* m_text = nullptr;
    ULONG m_length = 0;
};

// Far above any lspci dump of a real machine, small enough for non-paged pool.
constexpr ULONG kMaxImageBytes = 16u << 20;
// Longest image path accepted, in characters.
constexpr ULONG kMaxImagePathChars = 400;
