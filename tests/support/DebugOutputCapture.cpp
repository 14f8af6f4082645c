#include "tests/support/DebugOutputCapture.h"

#include <cstring>

namespace {

constexpr DWORD kDbwinBufferSize = 4096;

} // namespace

CDebugOutputCapture::CDebugOutputCapture()
{
    ::InitializeCriticalSection(&m_lock);
    m_bufferReady = ::CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    m_dataReady = ::CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    m_mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kDbwinBufferSize, "DBWIN_BUFFER");
    if (m_mapping != nullptr)
        m_view = ::MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, kDbwinBufferSize);
    m_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_bufferReady != nullptr && m_dataReady != nullptr && m_view != nullptr && m_stop != nullptr)
        m_thread = ::CreateThread(nullptr, 0, &ListenThread, this, 0, nullptr);
}

CDebugOutputCapture::~CDebugOutputCapture()
{
    if (m_thread != nullptr) {
        ::SetEvent(m_stop);
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
    }
    if (m_view != nullptr)
        ::UnmapViewOfFile(m_view);
    for (HANDLE handle : {m_mapping, m_stop, m_bufferReady, m_dataReady}) {
        if (handle != nullptr)
            ::CloseHandle(handle);
    }
    ::DeleteCriticalSection(&m_lock);
}

DWORD WINAPI CDebugOutputCapture::ListenThread(void* self)
{
    static_cast<CDebugOutputCapture*>(self)->Listen();
    return 0;
}

void CDebugOutputCapture::Listen()
{
    const HANDLE waits[] = {m_stop, m_dataReady};
    for (;;) {
        ::SetEvent(m_bufferReady);
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return;
        DWORD processId = 0;
        memcpy(&processId, m_view, sizeof processId);
        const char* text = static_cast<const char*>(m_view) + sizeof processId;
        const std::string line(text, strnlen(text, kDbwinBufferSize - sizeof processId));
        ::EnterCriticalSection(&m_lock);
        m_lines.emplace_back(processId, line);
        ::LeaveCriticalSection(&m_lock);
    }
}

std::vector<std::string> CDebugOutputCapture::Take(DWORD processId)
{
    std::vector<std::string> taken;
    ::EnterCriticalSection(&m_lock);
    std::vector<std::pair<DWORD, std::string>> others;
    for (auto& line : m_lines) {
        if (line.first == processId)
            taken.push_back(line.second);
        else
            others.push_back(line);
    }
    m_lines.swap(others);
    ::LeaveCriticalSection(&m_lock);
    return taken;
}
