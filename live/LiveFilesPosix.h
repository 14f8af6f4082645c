#pragma once
// The host's files through POSIX calls, for the native tools and tests.
#include "live/LiveFiles.h"

#include <string>

class CLiveFilesPosix : public CLiveFiles {
public:
    // root: the folder that stands for "/" ("/" itself on a real machine).
    explicit CLiveFilesPosix(std::string root);

    bool Read(const char* path, uint32_t offset, uint8_t* buffer, uint32_t capacity, uint32_t* read) override;
    bool Write(const char* path, uint32_t offset, const uint8_t* data, uint32_t bytes) override;
    bool List(const char* path, void (*visit)(void* context, const char* name), void* context) override;

    std::string FullPath(const char* path) const;

private:
    std::string m_root;
};
