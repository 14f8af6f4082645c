#include "driver/ImageFile.h"

namespace {

constexpr WCHAR kDosDevicesPrefix[] = L"\\??\\";
constexpr ULONG kPrefixChars = sizeof(kDosDevicesPrefix) / sizeof(WCHAR) - 1;

// A closed-on-exit handle of a file opened for reading.
class CFileHandle {
public:
    ~CFileHandle()
    {
        if (m_handle) {
            ZwClose(m_handle);
        }
    }
    HANDLE* Address() { return &m_handle; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

// Builds the object-manager name of a Win32 path in buffer.
bool MakeNtPath(const WCHAR* path, WCHAR* buffer, ULONG capacity, UNICODE_STRING* name)
{
    ULONG length = 0;
    if (path[0] != L'\\') {
        for (; length < kPrefixChars; ++length) {
            buffer[length] = kDosDevicesPrefix[length];
        }
    }
    for (ULONG i = 0; path[i]; ++i) {
        if (length + 1 >= capacity) {
            return false;
        }
        buffer[length++] = path[i];
    }
    buffer[length] = 0;
    name->Buffer = buffer;
    name->Length = static_cast<USHORT>(length * sizeof(WCHAR));
    name->MaximumLength = static_cast<USHORT>((length + 1) * sizeof(WCHAR));
    return true;
}

} // namespace

CImageFile::~CImageFile()
{
    if (m_text) {
        ExFreePoolWithTag(m_text, kPoolTag);
    }
}

NTSTATUS CImageFile::Read(const WCHAR* path)
{
    WCHAR ntPath[kMaxImagePathChars + kPrefixChars + 1];
    UNICODE_STRING name;
    if (!MakeNtPath(path, ntPath, sizeof(ntPath) / sizeof(WCHAR), &name)) {
        return STATUS_NAME_TOO_LONG;
    }
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    IO_STATUS_BLOCK io;
    CFileHandle file;
    NTSTATUS status =
        ZwCreateFile(file.Address(), GENERIC_READ | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                     FILE_SHARE_READ, FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    FILE_STANDARD_INFORMATION info;
    status = ZwQueryInformationFile(file.Get(), &io, &info, sizeof(info), FileStandardInformation);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (info.EndOfFile.QuadPart > kMaxImageBytes) {
        return STATUS_FILE_TOO_LARGE;
    }
    const ULONG size = static_cast<ULONG>(info.EndOfFile.QuadPart);
    m_text = static_cast<char*>(ExAllocatePoolWithTag(NonPagedPool, size + 1, kPoolTag));
    if (!m_text) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    // A file that shrinks while being read simply ends early.
    while (m_length < size) {
        LARGE_INTEGER offset;
        offset.QuadPart = m_length;
        status = ZwReadFile(file.Get(), nullptr, nullptr, nullptr, &io, m_text + m_length, size - m_length, &offset,
                            nullptr);
        if (status == STATUS_END_OF_FILE || (NT_SUCCESS(status) && io.Information == 0)) {
            break;
        }
        if (!NT_SUCCESS(status)) {
            return status;
        }
        m_length += static_cast<ULONG>(io.Information);
    }
    m_text[m_length] = '\0';
    return STATUS_SUCCESS;
}
