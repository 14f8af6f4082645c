#include "decode/MachineComparison.h"

#include "decode/RegisterTable.h"
#include "device/PciFunction.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "protocol/DriverProtocol.h"
#include "sim/SimFunction.h"
#include "sim/SimMachine.h"

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <sstream>

namespace {

constexpr uint32_t kRegisterKeyShift = 16;
constexpr const char kDeviceSpecificName[] = "Vendor Specific";

// The key of a function in the comparison's sets: its segment and routing ID.
uint32_t KeyOf(const CPciFunction& function)
{
    return FunctionKey(function.m_segment, pci::RoutingId(function.m_bus, function.m_device, function.m_function));
}

std::string HexValue(uint32_t value, uint32_t size)
{
    char text[16];
    snprintf(text, sizeof text, "%0*Xh", int(size * 2), unsigned(value));
    return text;
}

// The registers the Configuration Space page lists for a header type: its table, then 40h..FCh.
std::vector<CRegisterDefinition> ListedRegisters(uint32_t headerType)
{
    const auto table = CRegisterTable::ForHeaderType(headerType);
    std::vector<CRegisterDefinition> registers(table.begin(), table.end());
    for (uint32_t offset = pci::kDeviceSpecificOffset; offset < pci::kConfigSpaceBytes; offset += pci::kDwordBytes)
        registers.push_back({uint16_t(offset), uint16_t(pci::kDwordBytes), kDeviceSpecificName, EDecodedField::kNone});
    return registers;
}

} // namespace

CMachineComparison::CMachineComparison() = default;
CMachineComparison::~CMachineComparison() = default;

void CMachineComparison::Clear()
{
    m_image.reset();
    m_path.clear();
    Compare(nullptr);
}

bool CMachineComparison::LoadMachineImage(const std::string& path, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        *error = path + ": cannot be read";
        return false;
    }
    const std::string bytes = text.str();
    auto image = std::make_unique<CSimMachine>();
    CSimError simError = {};
    if (!image->Load(bytes.data(), uint32_t(bytes.size()), path.c_str(), &simError)) {
        *error = std::string(simError.fileName) + ":" + std::to_string(simError.line) + ": " + simError.message;
        return false;
    }
    m_image = std::move(image);
    m_path = path;
    return true;
}

void CMachineComparison::Compare(const CPciFunction* root)
{
    m_differences.clear();
    m_onlyInImage.clear();
    m_onlyInMachine.clear();
    m_differingRegisters.clear();
    m_differingFunctions.clear();
    if (!m_image)
        return;
    std::set<uint32_t> seen;
    if (root) {
        for (const CPciFunction* function : root->GetTopFunctions())
            CompareTree(*function, &seen);
    }
    for (uint32_t i = 0; i < m_image->GetFunctionCount(); ++i) {
        const CSimFunction* f = m_image->GetFunction(i);
        if (!seen.count(f->Key()))
            m_onlyInImage.push_back(CPciFunction::FormatAddress(f->m_segment, f->m_bus, f->m_device, f->m_function));
    }
}

void CMachineComparison::CompareTree(const CPciFunction& function, std::set<uint32_t>* seen)
{
    seen->insert(KeyOf(function));
    const CSimFunction* image =
        m_image->FindFunction(function.m_segment, function.m_bus, function.m_device, function.m_function);
    // The registers of a function that could not be read are not the device's to compare.
    if (image && function.IsReadable())
        CompareFunction(function, image->m_config);
    else if (!image)
        m_onlyInMachine.push_back(
            CPciFunction::FormatAddress(function.m_segment, function.m_bus, function.m_device, function.m_function));
    for (const auto& child : function.m_children)
        CompareTree(*child, seen);
}

void CMachineComparison::CompareFunction(const CPciFunction& function, const uint8_t* image)
{
    const uint32_t key = KeyOf(function);
    const uint32_t headerType = function.GetHeaderLayout();
    for (const CRegisterDefinition& reg : ListedRegisters(headerType)) {
        const uint32_t before = uint32_t(pci::GetLe(image + reg.offset, reg.size));
        const uint32_t now = uint32_t(pci::GetLe(function.m_image + reg.offset, reg.size));
        if (before == now)
            continue;
        m_differences.push_back({function.m_bus, function.m_device, function.m_function, reg.offset, reg.size, reg.name,
                                 before, now, function.m_segment});
        m_differingRegisters.insert((uint64_t(key) << kRegisterKeyShift) | reg.offset);
        m_differingFunctions.insert(key);
    }
}

bool CMachineComparison::FunctionDiffers(const CPciFunction* function) const
{
    return function && m_differingFunctions.count(KeyOf(*function));
}

bool CMachineComparison::RegisterDiffers(const CPciFunction* function, uint16_t offset) const
{
    if (!function)
        return false;
    const uint64_t key = KeyOf(*function);
    return m_differingRegisters.count((key << kRegisterKeyShift) | offset) != 0;
}

bool CMachineComparison::BytesDiffer(const CPciFunction* function, uint32_t offset, uint32_t size) const
{
    if (!m_image || !function)
        return false;
    const CSimFunction* image =
        m_image->FindFunction(function->m_segment, function->m_bus, function->m_device, function->m_function);
    if (!image || offset + size > function->GetSpaceSize() || offset + size > image->SpaceSize())
        return false;
    return memcmp(image->m_config + offset, function->GetSpace() + offset, size) != 0;
}

std::string CMachineComparison::Summary() const
{
    if (!m_image)
        return {};
    std::string text = "Compared with " + m_path + ": " + std::to_string(m_differences.size()) +
        " registers differ in " + std::to_string(m_differingFunctions.size()) + " functions";
    auto list = [&text](const char* what, const std::vector<std::string>& functions) {
        if (functions.empty())
            return;
        text += std::string("; ") + what + ":";
        for (const std::string& f : functions)
            text += " " + f;
    };
    list("only in the image", m_onlyInImage);
    list("only in the machine", m_onlyInMachine);
    return text;
}

const CRegisterDifference* CMachineComparison::FindDifference(const CPciFunction* function, uint16_t offset) const
{
    if (!RegisterDiffers(function, offset))
        return nullptr;
    for (const CRegisterDifference& d : m_differences) {
        if (d.segment == function->m_segment && d.bus == function->m_bus && d.device == function->m_device && d.function == function->m_function &&
            d.offset == offset)
            return &d;
    }
    return nullptr;
}

std::string CMachineComparison::FormatValues(const CRegisterDifference& d)
{
    return "image: " + HexValue(d.imageValue, d.size) + ", now: " + HexValue(d.machineValue, d.size);
}

std::string CMachineComparison::FormatLine(const CRegisterDifference& d)
{
    return CPciFunction::FormatAddress(d.segment, d.bus, d.device, d.function) + "\t" + HexValue(d.offset, 1) + "\t" +
        d.name + "\t" + HexValue(d.imageValue, d.size) + "\t" + HexValue(d.machineValue, d.size);
}
