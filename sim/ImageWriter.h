#pragma once
// Writes machine images in lspci's dump syntax, which the image parser reads
// back: a header per function, its Region sizes as decoded lines, its
// configuration bytes as hex lines and the annotations lspci has no syntax for.
// Runs without the C runtime, so the driver and the native tools share it.
#include "sim/SimFunction.h"

#include <stdint.h>

// Where the text goes: a file, or memory for the driver's own snapshot.
class CImageSink {
public:
    virtual ~CImageSink() = default;
    virtual bool Write(const char* text, uint32_t length) = 0;
};

// Initial contents of part of one BAR's range (slot kSimRomSlot: the expansion ROM).
struct CImageRange
{
    const uint8_t* bytes;
    uint32_t length;
};

// One function as the writer needs it; pointers stay owned by the caller.
struct CImageFunction
{
    uint32_t segment; // written as lspci -D does, and only where it is not 0
    uint32_t bus;
    uint32_t device;
    uint32_t function;
    const uint8_t* config;          // 64 to 4096 bytes
    uint32_t configLength;          // a multiple of 16
    uint64_t barSize[kSimBarSlots]; // 0: no size is written and the default rule applies
    const char* instance;           // the plug-and-play instance name, or nullptr
    bool noRecord;                  // the function has no plug-and-play record: "@registry none"
    bool noControl;                 // its record has no Control key (not started): "@registry nocontrol"
    CImageRange ranges[kSimBarSlots];
};

class CImageWriter {
public:
    explicit CImageWriter(CImageSink* sink) : m_sink(sink) {}

    // One "# text" line per line of text.
    bool Comment(const char* text);
    // The function's block, preceded by a blank line when it is not the first.
    bool Function(const CImageFunction& function);

    // The text of a size as lspci prints it: 512, 64K, 256M.
    static void FormatSize(uint64_t size, char* text, uint32_t capacity);

private:
    bool Line(const char* text, uint32_t length);
    bool RegionLines(const CImageFunction& function);
    bool RangeLines(uint32_t slot, const CImageRange& range);

    CImageSink* m_sink;
    bool m_started = false;
};

// The BARs an image gives sizes for: a device's six, a bridge's two, a CardBus bridge's socket registers.
uint32_t ImageBarCount(uint32_t layout);

// Longest line the writer produces, well under lspci's 255 characters.
constexpr uint32_t kImageMaxLineChars = 160;
