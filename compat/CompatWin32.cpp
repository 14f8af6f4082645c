// The Win32 functions of windows.h, served by the compat host.
#include <strings.h>
#include <cstring>
#include <vector>
#include "compat/CompatHost.h"
#include "sim/SimStatus.h"

namespace {

const char kDeviceName[] = "\\\\.\\briscodrvDevice";
thread_local DWORD t_lastError = ERROR_SUCCESS;
// The pseudo-handle that stands for the calling process.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(LONG_PTR(-1));

// The Win32 error the I/O manager reports for a failed request's status.
DWORD ErrorFromStatus(uint32_t status)
{
    switch (status) {
    case kSimStatusInvalidParameter: return ERROR_INVALID_PARAMETER;
    case kSimStatusInvalidDeviceRequest: return ERROR_INVALID_FUNCTION;
    case kSimStatusBufferTooSmall: return ERROR_INSUFFICIENT_BUFFER;
    case kSimStatusInsufficientResources: return ERROR_NO_SYSTEM_RESOURCES;
    case kSimStatusIoDeviceError: return ERROR_IO_DEVICE;
    case kSimStatusAccessDenied: return ERROR_ACCESS_DENIED;
    case kSimStatusWriteProtected: return ERROR_WRITE_PROTECT;
    case kSimStatusDeviceNotReady: return ERROR_NOT_READY;
    case kSimStatusNotSupported: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
    }
}

} // namespace

extern "C" {

DWORD WINAPI GetLastError(void)
{
    return t_lastError;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD,
                          HANDLE)
{
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (strcasecmp(lpFileName, kDeviceName) != 0 || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return CCompatHost::Get().OpenDevice();
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    if (!CCompatHost::Get().CloseDevice(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                            LPOVERLAPPED lpOverlapped)
{
    CCompatHost& host = CCompatHost::Get();
    if (!host.IsDevice(hDevice)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped || !lpBytesReturned || (nInBufferSize && !lpInBuffer) || (nOutBufferSize && !lpOutBuffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Buffered requests: the driver sees copies, and output reaches the caller only on success.
    const uint8_t* in = static_cast<const uint8_t*>(lpInBuffer);
    std::vector<uint8_t> input(in, in + nInBufferSize);
    std::vector<uint8_t> output(nOutBufferSize);
    uint32_t returned = 0;
    uint32_t status = kSimStatusSuccess;
    if (!host.m_requestFilter || !host.m_requestFilter(dwIoControlCode, &status))
        status = host.Machine().Dispatch(dwIoControlCode, input.empty() ? nullptr : input.data(), nInBufferSize,
                                         output.empty() ? nullptr : output.data(), nOutBufferSize, &returned);
    bool ok = status == kSimStatusSuccess;
    *lpBytesReturned = ok ? returned : 0;
    if (ok && returned)
        std::memcpy(lpOutBuffer, output.data(), returned);
    if (host.m_requestObserver)
        host.m_requestObserver(dwIoControlCode, std::vector<uint8_t>(in, in + nInBufferSize), nOutBufferSize, ok);
    SetLastError(ok ? ERROR_SUCCESS : ErrorFromStatus(status));
    return ok ? TRUE : FALSE;
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    CCompatHost& host = CCompatHost::Get();
    if (host.m_debugObserver && lpOutputString)
        host.m_debugObserver(lpOutputString);
}

HANDLE WINAPI GetCurrentProcess(void)
{
    return kCurrentProcess;
}

// The simulated driver runs in this process, so the system it stands in for has the
// program's own bitness: never a 32-bit program on a 64-bit system.
BOOL WINAPI IsWow64Process(HANDLE hProcess, PBOOL Wow64Process)
{
    if (hProcess != kCurrentProcess || !Wow64Process) {
        SetLastError(Wow64Process ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *Wow64Process = FALSE;
    return TRUE;
}

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    return CCompatHost::Get().Registry().Open(hKey, lpSubKey, samDesired, phkResult);
}

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return CCompatHost::Get().Registry().Open(hKey, lpSubKey, KEY_ALL_ACCESS, phkResult);
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                          LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    LONG status = CCompatHost::Get().Registry().EnumKey(hKey, dwIndex, lpName, lpcchName);
    if (status == ERROR_SUCCESS) {
        if (lpClass && lpcchClass && *lpcchClass) {
            lpClass[0] = 0;
            *lpcchClass = 0;
        }
        if (lpftLastWriteTime)
            *lpftLastWriteTime = FILETIME{0, 0};
    }
    return status;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return CCompatHost::Get().Registry().QueryValue(hKey, lpValueName, lpType, lpData, lpcbData);
}

LONG WINAPI RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, PLONG lpcbData)
{
    return CCompatHost::Get().Registry().QueryDefaultText(hKey, lpSubKey, lpData, lpcbData);
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    return CCompatHost::Get().Registry().Close(hKey);
}

} // extern "C"
