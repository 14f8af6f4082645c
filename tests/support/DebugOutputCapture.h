#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Text that the program writes to the debugger channel, captured through the
// DBWIN protocol from every process of the session.
class CDebugOutputCapture {
public:
    CDebugOutputCapture();
    ~CDebugOutputCapture();
    CDebugOutputCapture(const CDebugOutputCapture&) = delete;
    CDebugOutputCapture& operator=(const CDebugOutputCapture&) = delete;

    bool IsListening() const { return m_thread != nullptr; }
    // Lines written by one process since the last call.
    std::vector<std::string> Take(DWORD processId);

private:
    static DWORD WINAPI ListenThread(void* self);
    void Listen();

    HANDLE m_bufferReady = nullptr;
    HANDLE m_dataReady = nullptr;
    HANDLE m_mapping = nullptr;
    void* m_view = nullptr;
    HANDLE m_stop = nullptr;
    HANDLE m_thread = nullptr;
    CRITICAL_SECTION m_lock;
    std::vector<std::pair<DWORD, std::string>> m_lines;
};
