#pragma once
// The host's files below the root the live machine was given (Linux's sysfs and
// procfs): reached through Wine's Z: drive by the driver, directly by native
// tools and tests. Paths are '/'-separated and relative to the root.
#include <stdint.h>

class CLiveFiles {
public:
    virtual ~CLiveFiles() = default;

    // Reads from offset until capacity bytes or the end of the file (files that
    // report size 0, as procfs does, are read to their end); false when it does not open.
    virtual bool Read(const char* path, uint32_t offset, uint8_t* buffer, uint32_t capacity, uint32_t* read) = 0;
    // One write of all bytes at offset; false when the file does not open or takes fewer.
    virtual bool Write(const char* path, uint32_t offset, const uint8_t* data, uint32_t bytes) = 0;
    // Calls visit with each entry of the folder but "." and ".."; false when it does not open.
    virtual bool List(const char* path, void (*visit)(void* context, const char* name), void* context) = 0;
};
