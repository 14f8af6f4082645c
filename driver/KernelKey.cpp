#include "driver/KernelKey.h"

CWideName::CWideName(const char* text)
{
    ULONG length = 0;
    while (text[length] && length < kMaxKeyNameChars - 1) {
        m_buffer[length] = static_cast<unsigned char>(text[length]);
        ++length;
    }
    m_fits = text[length] == '\0';
    m_buffer[length] = 0;
    m_string.Buffer = m_buffer;
    m_string.Length = static_cast<USHORT>(length * sizeof(WCHAR));
    m_string.MaximumLength = static_cast<USHORT>((length + 1) * sizeof(WCHAR));
}

CKernelKey::~CKernelKey()
{
    Close();
}

void CKernelKey::Close()
{
    if (m_handle) {
        ZwClose(m_handle);
        m_handle = nullptr;
    }
}

NTSTATUS CKernelKey::OpenCounted(HANDLE root, PUNICODE_STRING path, ACCESS_MASK access)
{
    Close();
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, nullptr);
    return ZwOpenKey(&m_handle, access, &attributes);
}

NTSTATUS CKernelKey::Open(const CKernelKey* parent, PCUNICODE_STRING path, ACCESS_MASK access)
{
    return OpenCounted(parent ? parent->m_handle : nullptr, const_cast<PUNICODE_STRING>(path), access);
}

NTSTATUS CKernelKey::Open(const CKernelKey* parent, const char* path, ACCESS_MASK access)
{
    CWideName wide(path);
    if (!wide.Fits()) {
        return STATUS_NAME_TOO_LONG;
    }
    return OpenCounted(parent ? parent->m_handle : nullptr, wide.Get(), access);
}

NTSTATUS CKernelKey::CreateVolatile(const CKernelKey* parent, const char* name, bool* created)
{
    Close();
    CWideName wide(name);
    if (!wide.Fits()) {
        return STATUS_NAME_TOO_LONG;
    }
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, wide.Get(), OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               parent ? parent->m_handle : nullptr, nullptr);
    ULONG disposition = 0;
    const NTSTATUS status =
        ZwCreateKey(&m_handle, KEY_ALL_ACCESS, &attributes, 0, nullptr, REG_OPTION_VOLATILE, &disposition);
    if (!NT_SUCCESS(status)) {
        m_handle = nullptr;
    }
    *created = NT_SUCCESS(status) && disposition == REG_CREATED_NEW_KEY;
    return status;
}

NTSTATUS CKernelKey::SetBinary(const char* name, ULONG type, const void* data, ULONG length)
{
    CWideName wide(name);
    return ZwSetValueKey(m_handle, wide.Get(), 0, type, const_cast<void*>(data), length);
}

NTSTATUS CKernelKey::SetString(const char* name, const char* text)
{
    CWideName wide(text);
    if (!wide.Fits()) {
        return STATUS_NAME_TOO_LONG;
    }
    return SetBinary(name, REG_SZ, wide.Get()->Buffer, wide.Get()->MaximumLength);
}

NTSTATUS CKernelKey::SetDword(const char* name, ULONG value)
{
    return SetBinary(name, REG_DWORD, &value, sizeof(value));
}

bool CKernelKey::HasValue(const char* name) const
{
    CWideName wide(name);
    ULONG needed = 0;
    const NTSTATUS status = ZwQueryValueKey(m_handle, wide.Get(), KeyValuePartialInformation, nullptr, 0, &needed);
    return status == STATUS_BUFFER_TOO_SMALL || status == STATUS_BUFFER_OVERFLOW || NT_SUCCESS(status);
}

NTSTATUS CKernelKey::QueryString(const char* name, WCHAR* buffer, ULONG capacityChars) const
{
    // Header plus the longest string we accept, in one stack buffer.
    constexpr ULONG kInfoBytes = sizeof(KEY_VALUE_PARTIAL_INFORMATION) + kMaxKeyNameChars * 2 * sizeof(WCHAR);
    ULONG info[kInfoBytes / sizeof(ULONG) + 1];
    auto* partial = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(info);
    CWideName wide(name);
    ULONG returned = 0;
    NTSTATUS status = ZwQueryValueKey(m_handle, wide.Get(), KeyValuePartialInformation, partial, kInfoBytes, &returned);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (partial->Type != REG_SZ && partial->Type != REG_EXPAND_SZ) {
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    const auto* text = reinterpret_cast<const WCHAR*>(partial->Data);
    ULONG chars = partial->DataLength / sizeof(WCHAR);
    while (chars && text[chars - 1] == 0) {
        --chars;
    }
    if (chars + 1 > capacityChars) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    for (ULONG i = 0; i < chars; ++i) {
        buffer[i] = text[i];
    }
    buffer[chars] = 0;
    return STATUS_SUCCESS;
}

NTSTATUS CKernelKey::DeleteValue(const char* name)
{
    CWideName wide(name);
    return ZwDeleteValueKey(m_handle, wide.Get());
}

NTSTATUS CKernelKey::SubkeyName(ULONG index, char* buffer, ULONG capacity) const
{
    constexpr ULONG kInfoBytes = sizeof(KEY_BASIC_INFORMATION) + kMaxKeyNameChars * sizeof(WCHAR);
    ULONG info[kInfoBytes / sizeof(ULONG) + 1];
    auto* basic = reinterpret_cast<PKEY_BASIC_INFORMATION>(info);
    ULONG returned = 0;
    const NTSTATUS status = ZwEnumerateKey(m_handle, index, KeyBasicInformation, basic, kInfoBytes, &returned);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const ULONG chars = basic->NameLength / sizeof(WCHAR);
    if (chars + 1 > capacity) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    for (ULONG i = 0; i < chars; ++i) {
        buffer[i] = basic->Name[i] < 0x80 ? static_cast<char>(basic->Name[i]) : '?';
    }
    buffer[chars] = '\0';
    return STATUS_SUCCESS;
}

NTSTATUS CKernelKey::DeleteTree(ULONG depth)
{
    char name[kMaxKeyNameChars];
    // Deleting shifts the remaining subkeys down, so index 0 is asked each time.
    while (depth && NT_SUCCESS(SubkeyName(0, name, sizeof(name)))) {
        CKernelKey child;
        NTSTATUS status = child.Open(this, name);
        if (NT_SUCCESS(status)) {
            status = child.DeleteTree(depth - 1);
        }
        if (!NT_SUCCESS(status)) {
            return status;
        }
    }
    const NTSTATUS status = ZwDeleteKey(m_handle);
    Close();
    return status;
}
