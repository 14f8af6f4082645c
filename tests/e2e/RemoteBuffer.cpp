#include "tests/e2e/RemoteBuffer.h"

CRemoteBuffer::CRemoteBuffer(HANDLE process, size_t size)
    : m_process(process), m_address(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
{
}

CRemoteBuffer::~CRemoteBuffer()
{
    if (m_address != nullptr)
        ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
}

bool CRemoteBuffer::Write(const void* data, size_t size, size_t offset) const
{
    SIZE_T written = 0;
    return m_address != nullptr &&
           ::WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &written) &&
           written == size;
}

bool CRemoteBuffer::Read(void* data, size_t size, size_t offset) const
{
    SIZE_T read = 0;
    return m_address != nullptr &&
           ::ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &read) && read == size;
}
