#include "live/LiveFilesPosix.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <utility>

CLiveFilesPosix::CLiveFilesPosix(std::string root) : m_root(std::move(root))
{
    if (m_root.empty() || m_root.back() != '/')
        m_root += '/';
}

std::string CLiveFilesPosix::FullPath(const char* path) const
{
    return m_root + path;
}

bool CLiveFilesPosix::Read(const char* path, uint32_t offset, uint8_t* buffer, uint32_t capacity, uint32_t* read)
{
    *read = 0;
    const int fd = open(FullPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    while (*read < capacity) {
        const ssize_t n = pread(fd, buffer + *read, capacity - *read, off_t(offset) + *read);
        if (n <= 0)
            break;
        *read += uint32_t(n);
    }
    close(fd);
    return true;
}

bool CLiveFilesPosix::Write(const char* path, uint32_t offset, const uint8_t* data, uint32_t bytes)
{
    const int fd = open(FullPath(path).c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = pwrite(fd, data, bytes, off_t(offset));
    close(fd);
    return n == ssize_t(bytes);
}

bool CLiveFilesPosix::List(const char* path, void (*visit)(void* context, const char* name), void* context)
{
    DIR* folder = opendir(FullPath(path).c_str());
    if (!folder)
        return false;
    while (const dirent* entry = readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            visit(context, entry->d_name);
    }
    closedir(folder);
    return true;
}
