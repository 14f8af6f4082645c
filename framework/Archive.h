// The stream a document serialises itself to or from: a file opened for writing or reading.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

class CArchive {
public:
    enum Mode { load = 1, store = 0 };

    CArchive(std::FILE* file, Mode mode) : m_file(file), m_mode(mode) {}
    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }
    // Writes bytes; false on a write error.
    bool Write(const void* data, size_t size) { return std::fwrite(data, 1, size, m_file) == size; }
    // Reads up to size bytes; returns how many were read.
    size_t Read(void* data, size_t size) { return std::fread(data, 1, size, m_file); }
    bool HasError() const { return std::ferror(m_file) != 0; }

private:
    std::FILE* m_file;
    Mode m_mode;
};
