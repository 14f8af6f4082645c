#include "driver/KernelFiles.h"

// ntifs.h does not go with ntddk.h; the one directory call and its record are declared here.
extern "C" {
NTSYSAPI NTSTATUS NTAPI ZwQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE routine, PVOID context,
                                             PIO_STATUS_BLOCK io, PVOID information, ULONG length,
                                             FILE_INFORMATION_CLASS informationClass, BOOLEAN single,
                                             PUNICODE_STRING name, BOOLEAN restart);
}

namespace {

struct CFileNamesInformation
{
    ULONG NextEntryOffset;
    ULONG FileIndex;
    ULONG FileNameLength;
    WCHAR FileName[1];
};

constexpr WCHAR kUnixDrive[] = L"\\??\\Z:";
constexpr ULONG kUnixDriveChars = sizeof(kUnixDrive) / sizeof(WCHAR) - 1;
constexpr ULONG kMaxPathChars = kUnixDriveChars + kMaxLiveRootChars + 128;
constexpr ULONG kListBufferBytes = 4096;
constexpr ULONG kMaxNameChars = 255;

// A handle closed when it goes out of scope.
class CHandle {
public:
    ~CHandle()
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

} // namespace

bool CKernelFiles::SetRoot(const WCHAR* root)
{
    ULONG length = 0;
    for (; root[length]; ++length) {
        if (length + 1 >= kMaxLiveRootChars) {
            return false;
        }
        m_root[length] = root[length] == L'/' ? L'\\' : root[length];
    }
    // "/" and "/tmp/tree/" both end without a separator; paths add their own.
    while (length && m_root[length - 1] == L'\\') {
        --length;
    }
    m_rootChars = length;
    return true;
}

NTSTATUS CKernelFiles::Open(const char* path, ACCESS_MASK access, ULONG options, HANDLE* handle) const
{
    WCHAR buffer[kMaxPathChars];
    ULONG length = 0;
    for (ULONG i = 0; i < kUnixDriveChars; ++i) {
        buffer[length++] = kUnixDrive[i];
    }
    for (ULONG i = 0; i < m_rootChars; ++i) {
        buffer[length++] = m_root[i];
    }
    buffer[length++] = L'\\';
    for (ULONG i = 0; path[i]; ++i) {
        if (length + 1 >= kMaxPathChars) {
            return STATUS_NAME_TOO_LONG;
        }
        buffer[length++] = path[i] == '/' ? L'\\' : static_cast<unsigned char>(path[i]);
    }
    buffer[length] = 0;
    UNICODE_STRING name;
    name.Buffer = buffer;
    name.Length = static_cast<USHORT>(length * sizeof(WCHAR));
    name.MaximumLength = static_cast<USHORT>((length + 1) * sizeof(WCHAR));
    OBJECT_ATTRIBUTES attributes;
    // Linux names differ by case only where Linux says so.
    InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    IO_STATUS_BLOCK io;
    return ZwCreateFile(handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT | options, nullptr,
                        0);
}

bool CKernelFiles::Read(const char* path, uint32_t offset, uint8_t* buffer, uint32_t capacity, uint32_t* read)
{
    *read = 0;
    CHandle file;
    if (!NT_SUCCESS(Open(path, GENERIC_READ, FILE_NON_DIRECTORY_FILE, file.Address()))) {
        return false;
    }
    // procfs reports size 0, so the end is where a read brings nothing.
    while (*read < capacity) {
        IO_STATUS_BLOCK io;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset) + *read;
        const NTSTATUS status =
            ZwReadFile(file.Get(), nullptr, nullptr, nullptr, &io, buffer + *read, capacity - *read, &at, nullptr);
        if (!NT_SUCCESS(status) || io.Information == 0) {
            break;
        }
        *read += static_cast<uint32_t>(io.Information);
    }
    return true;
}

bool CKernelFiles::Write(const char* path, uint32_t offset, const uint8_t* data, uint32_t bytes)
{
    CHandle file;
    if (!NT_SUCCESS(Open(path, GENERIC_WRITE, FILE_NON_DIRECTORY_FILE, file.Address()))) {
        return false;
    }
    IO_STATUS_BLOCK io;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    const NTSTATUS status =
        ZwWriteFile(file.Get(), nullptr, nullptr, nullptr, &io, const_cast<uint8_t*>(data), bytes, &at, nullptr);
    return NT_SUCCESS(status) && io.Information == bytes;
}

bool CKernelFiles::List(const char* path, void (*visit)(void* context, const char* name), void* context)
{
    CHandle folder;
    if (!NT_SUCCESS(Open(path, FILE_LIST_DIRECTORY, FILE_DIRECTORY_FILE, folder.Address()))) {
        return false;
    }
    auto* buffer = static_cast<uint8_t*>(ExAllocatePoolWithTag(NonPagedPool, kListBufferBytes, kPoolTag));
    if (!buffer) {
        return false;
    }
    bool restart = true;
    for (;;) {
        IO_STATUS_BLOCK io;
        const NTSTATUS status = ZwQueryDirectoryFile(folder.Get(), nullptr, nullptr, nullptr, &io, buffer,
                                                     kListBufferBytes, FileNamesInformation, FALSE, nullptr, restart);
        restart = false;
        if (!NT_SUCCESS(status)) {
            break; // STATUS_NO_MORE_FILES ends every listing
        }
        for (ULONG at = 0;;) {
            const auto* entry = reinterpret_cast<const CFileNamesInformation*>(buffer + at);
            char name[kMaxNameChars + 1];
            ULONG chars = entry->FileNameLength / sizeof(WCHAR);
            if (chars > kMaxNameChars) {
                chars = kMaxNameChars;
            }
            for (ULONG i = 0; i < chars; ++i) {
                name[i] = entry->FileName[i] < 0x80 ? static_cast<char>(entry->FileName[i]) : '?';
            }
            name[chars] = '\0';
            if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))) {
                visit(context, name);
            }
            if (!entry->NextEntryOffset) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
    ExFreePoolWithTag(buffer, kPoolTag);
    return true;
}
