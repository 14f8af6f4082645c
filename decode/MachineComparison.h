#pragma once
// The registers in which the machine now differs from a saved machine image: every
// register the Configuration Space page lists, function by function, and the functions
// present on one side only. Recomputed for every scan while the image is kept.
#include <stdint.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

class CPciFunction;
class CSimMachine;

struct CRegisterDifference
{
    uint32_t bus = 0;
    uint32_t device = 0;
    uint32_t function = 0;
    uint16_t offset = 0;
    uint16_t size = 0;
    std::string name;
    uint32_t imageValue = 0;
    uint32_t machineValue = 0;
    uint16_t segment = 0;
};

class CMachineComparison {
public:
    CMachineComparison();
    ~CMachineComparison();
    CMachineComparison(const CMachineComparison&) = delete;
    CMachineComparison& operator=(const CMachineComparison&) = delete;

    // Reads and loads the image; on failure error says why ("file:line: ...") and the
    // comparison keeps the image it had.
    bool LoadMachineImage(const std::string& path, std::string* error);
    bool HasImage() const { return m_image != nullptr; }
    // Forgets the image and every result.
    void Clear();

    // Compares every function of the tree below root (and its further root buses) with the image.
    void Compare(const CPciFunction* root);

    const std::vector<CRegisterDifference>& GetDifferences() const { return m_differences; }
    // "B.D.F" of the functions on one side only ("0001:B.D.F" outside segment 0).
    const std::vector<std::string>& GetOnlyInImage() const { return m_onlyInImage; }
    const std::vector<std::string>& GetOnlyInMachine() const { return m_onlyInMachine; }
    bool FunctionDiffers(const CPciFunction* function) const;
    bool RegisterDiffers(const CPciFunction* function, uint16_t offset) const;
    // The difference of the function's register at offset, or null where it holds what the image does.
    const CRegisterDifference* FindDifference(const CPciFunction* function, uint16_t offset) const;
    // Whether any byte of (offset, size) of the function's whole space differs from the image;
    // a function the image does not hold differs nowhere.
    bool BytesDiffer(const CPciFunction* function, uint32_t offset, uint32_t size) const;
    // The status bar's words for the result.
    std::string Summary() const;
    // One line: function, offset, name, old (image) value, new (machine) value, tab-separated.
    static std::string FormatLine(const CRegisterDifference& difference);
    // "image: 0117h, now: 0000h", in the register's width.
    static std::string FormatValues(const CRegisterDifference& difference);

private:
    void CompareFunction(const CPciFunction& function, const uint8_t* image);
    void CompareTree(const CPciFunction& function, std::set<uint32_t>* seen);

    std::unique_ptr<CSimMachine> m_image;
    std::string m_path;
    std::vector<CRegisterDifference> m_differences;
    std::vector<std::string> m_onlyInImage;
    std::vector<std::string> m_onlyInMachine;
    std::set<uint64_t> m_differingRegisters; // function key << 16 | offset
    std::set<uint32_t> m_differingFunctions; // function key: segment and routing ID
};
