#pragma once
// The vendor and device lines of a name file, indexed in one pass, so that each
// function's three names cost a few binary searches instead of reading the file.
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

class CPciNameIndex {
public:
    // The names of one function; empty where the file has none.
    struct CNames
    {
        std::string vendor;
        std::string device;
        std::string subsystemVendor;
    };

    // Indexes the file at path; null when it cannot be opened.
    static std::shared_ptr<const CPciNameIndex> Load(const char* path);
    // The index of the file of that name as it stands now: the last one is reused
    // while the file keeps its resolved path, size and modification time. Null when
    // the file cannot be opened.
    // The name is looked for in the current folder, then beside the running program.
    static std::shared_ptr<const CPciNameIndex> ForFile(const char* name);

    // What searches of the file give: the first V line of the vendor, the first D
    // line of the device after that line, the first V line of the subsystem vendor.
    CNames Lookup(uint16_t vendorId, uint16_t deviceId, uint16_t subsystemVendorId) const;

private:
    struct CEntry
    {
        uint16_t id;
        uint32_t line;
        uint32_t nameOffset;
        uint32_t nameLength;
    };

    void Add(std::vector<CEntry>& entries, unsigned id, uint32_t line, const char* name);
    const CEntry* FindVendor(uint16_t id) const;
    std::string Name(const CEntry& entry) const;

    // The first V line of each vendor ID, by ID.
    std::vector<CEntry> m_vendors;
    // Every D line, by ID and then by line.
    std::vector<CEntry> m_devices;
    // The names of all entries, back to back.
    std::string m_names;
};
