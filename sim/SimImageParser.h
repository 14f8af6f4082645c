#pragma once
// Reads a machine image (lspci hex dumps plus "@" annotations) into a list of
// simulated functions. Reports the first error with file, line and what was
// expected; never touches a machine that is already serving requests.
#include <stdint.h>
#include "sim/SimCursor.h"
#include "sim/SimMachine.h"
#include "sim/SimUtil.h"

class CSimFunction;

class CSimImageParser {
public:
    CSimImageParser(const char* text, uint32_t length, const char* fileName, CSimError* error);

    // Fills functions (sorted by address) and notes; on failure releases what it built.
    bool Parse(CSimArray<CSimFunction*>* functions, CSimPageBudget* budget, char* notes, uint32_t notesCapacity);

private:
    // A range annotation, checked against the BAR's size once the function is complete.
    struct CRangeNote
    {
        CSimFunction* m_function;
        uint32_t m_slot;
        uint32_t m_offset;
        uint32_t m_length;
        uint32_t m_line;
    };

    bool ParseLine(CSimCursor line);
    bool ParseHeader(CSimCursor cursor, bool* isHeader);
    bool ParseHexLine(CSimCursor cursor, bool* isHexLine);
    bool ParseDetailLine(CSimCursor cursor);
    bool ParseAnnotation(CSimCursor cursor);
    bool ParseBarAnnotation(CSimCursor& cursor, bool rom);
    bool ParseRangeAnnotation(CSimCursor& cursor);
    bool ParseConfigAnnotation(CSimCursor& cursor);
    bool ParseRegistryAnnotation(CSimCursor& cursor);
    bool ParseByteList(CSimCursor& cursor, uint8_t* bytes, uint32_t capacity, uint32_t* count);
    bool ParseQuoted(CSimCursor& cursor, uint8_t* bytes, uint32_t capacity, uint32_t* count);
    bool ParseLocation(CSimCursor& cursor, uint32_t* bus, uint32_t* device, uint32_t* function);
    bool ParseName(CSimCursor& cursor, char* name, uint32_t capacity);
    bool ExpectEnd(CSimCursor& cursor, const char* what);
    // fromRegion: the size comes from lspci's Region line, which may describe legacy ports.
    bool SetBarSize(uint32_t slot, uint64_t size, bool fromRegion);
    bool FinishCurrent();
    bool CheckRanges();
    bool CheckInstanceNames();
    bool AddFunction(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function);
    void NoteSkippedDomain(uint32_t domain);
    bool Fail(uint32_t line, const char* message, const char* detail = nullptr);
    bool NeedFunction(const char* what);

    const char* m_text;
    uint32_t m_length;
    const char* m_fileName;
    CSimError* m_error;
    uint32_t m_line;
    CSimArray<CSimFunction*>* m_functions;
    CSimPageBudget* m_budget;
    CSimFunction* m_current;
    bool m_skipping; // inside a function of a domain beyond the segments requests can name
    CSimArray<CRangeNote> m_ranges;
    uint32_t m_skippedDomains[8];
    uint32_t m_skippedCount;
    bool m_skippedMore;
    uint8_t* m_scratch; // bytes of one range annotation
    CSimText* m_notes;  // remarks of this load, one per line
};
