#include "sim/SimMachine.h"
#include "sim/SimFunction.h"
#include "sim/SimHost.h"
#include "sim/SimImageParser.h"
#include "sim/SimStatus.h"

#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"

namespace {

constexpr uint32_t kAbsentValue = pci::kAbsentFunctionDword;
constexpr uint8_t kAbsentByte = 0xFF;

uint32_t AddressKey(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function)
{
    return FunctionKey(segment, pci::RoutingId(bus, device, function));
}

} // namespace

CSimMachine::CSimMachine()
    : m_budget(), m_notes(), m_faultMode(kSimFaultOff), m_faultKey(0), m_lastFunction(nullptr), m_lastSlot(0)
{
    // Before any image: segment 0, where nothing answers.
    AddSegment(0);
}

CSimMachine::~CSimMachine()
{
    ReleaseFunctions(&m_functions, &m_budget);
}

void CSimMachine::ReleaseFunctions(CSimArray<CSimFunction*>* functions, CSimPageBudget* budget)
{
    for (uint32_t i = 0; i < functions->Count(); ++i)
        CSimFunction::Destroy((*functions)[i], budget);
    functions->Release();
}

bool CSimMachine::Load(const char* text, uint32_t length, const char* fileName, CSimError* error)
{
    if (!text && length) {
        if (error) {
            SimStrCopy(error->fileName, sizeof(error->fileName), fileName ? fileName : "(image)");
            error->line = 0;
            SimStrCopy(error->message, sizeof(error->message), "expected image text, got none");
        }
        return false;
    }
    CSimArray<CSimFunction*> functions;
    CSimPageBudget budget = {};
    char notes[sizeof(m_notes)];
    CSimImageParser parser(text, length, fileName, error);
    if (!parser.Parse(&functions, &budget, notes, sizeof(notes)))
        return false;
    m_functions.Swap(functions);
    CSimPageBudget old = m_budget;
    m_budget = budget;
    ReleaseFunctions(&functions, &old);
    SimStrCopy(m_notes, sizeof(m_notes), notes);
    m_lastFunction = nullptr;
    // The segments that hold functions; a tiny list, so only a machine out of memory serves fewer.
    ClearSegments();
    for (uint32_t i = 0; i < m_functions.Count(); ++i)
        AddSegment(m_functions[i]->m_segment);
    if (m_notes[0])
        SimTrace(m_notes);
    return true;
}

CSimFunction* CSimMachine::FindFunction(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function) const
{
    uint32_t key = AddressKey(segment, bus, device, function);
    uint32_t low = 0, high = m_functions.Count();
    while (low < high) {
        uint32_t mid = (low + high) / 2;
        uint32_t k = m_functions[mid]->Key();
        if (k == key)
            return m_functions[mid];
        if (k < key)
            low = mid + 1;
        else
            high = mid;
    }
    if (function != 0) {
        CSimFunction* first = FindFunction(segment, bus, device, 0);
        if (first && first->m_answersAllFunctions)
            return first;
    }
    return nullptr;
}

void CSimMachine::SetFault(uint32_t mode, uint32_t busField, uint32_t device, uint32_t function)
{
    m_faultMode = mode;
    m_faultKey = AddressKey(BusFieldSegment(busField), BusFieldBus(busField), device & pci::kMaxDevice,
                            function & pci::kMaxFunction);
}

bool CSimMachine::FaultsAddress(const CServedRequest& r) const
{
    if (m_faultMode == kSimFaultAll)
        return true;
    return m_faultMode == kSimFaultFunction && AddressKey(r.m_segment, r.m_bus, r.m_device, r.m_function) == m_faultKey;
}

// The write-protect fault stands for a live machine with writes off, and says so in 809h.
bool CSimMachine::TakesConfigWrites() const
{
    return m_faultMode != kSimFaultWriteProtect;
}

uint32_t CSimMachine::WriteRefusal() const
{
    if (m_faultMode == kSimFaultWriteProtect)
        return kSimStatusWriteProtected;
    return m_faultMode == kSimFaultWriteDenied ? kSimStatusAccessDenied : kSimStatusSuccess;
}

bool CSimMachine::FaultsRange(uint8_t space, uint64_t address, uint32_t bytes) const
{
    if (m_faultMode == kSimFaultAll)
        return true;
    if (m_faultMode != kSimFaultFunction)
        return false;
    const uint32_t id = FunctionKeyRoutingId(m_faultKey);
    const CSimFunction* f = FindFunction(FunctionKeySegment(m_faultKey), pci::RoutingIdBus(id),
                                         pci::RoutingIdDevice(id), pci::RoutingIdFunction(id));
    if (!f)
        return false;
    // Any byte of the request inside one of the function's ranges counts.
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        uint64_t offset;
        if (f->SlotDecodes(slot, space, address, &offset))
            return true;
        uint64_t base = f->SlotBase(slot);
        if (base > address && base - address < bytes && f->SlotDecodes(slot, space, base, &offset))
            return true;
    }
    return false;
}

// Registers past the function's own space do not exist: a request for one is refused.
bool CSimMachine::WithinSpace(const CSimFunction* f, uint32_t offset, uint32_t size)
{
    return !f || offset + size <= f->SpaceSize();
}

uint32_t CSimMachine::ServeProbe(const CServedRequest& r)
{
    if (FaultsAddress(r))
        return kSimStatusIoDeviceError;
    const CSimFunction* f = FindFunction(r.m_segment, r.m_bus, r.m_device, r.m_function);
    pci::PutLe32(r.m_out, f ? f->ReadConfig(0, 4) : kAbsentValue);
    *r.m_returned = kProbeOutSize;
    return kSimStatusSuccess;
}

// 802h answers the first 256 bytes; 808h the function's whole space (4 KiB with extended
// space). An absent function answers 256 bytes of all ones to both.
uint32_t CSimMachine::ServeReadSpace(const CServedRequest& r, bool whole)
{
    if (FaultsAddress(r))
        return kSimStatusIoDeviceError;
    const CSimFunction* f = FindFunction(r.m_segment, r.m_bus, r.m_device, r.m_function);
    const uint32_t size = f && whole ? f->SpaceSize() : kConfigSpaceSize;
    if (f)
        SimCopy(r.m_out, f->m_config, size);
    else
        SimFill(r.m_out, kAbsentByte, size);
    *r.m_returned = size;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeReadConfig(const CServedRequest& r)
{
    if (FaultsAddress(r))
        return kSimStatusIoDeviceError;
    const CSimFunction* f = FindFunction(r.m_segment, r.m_bus, r.m_device, r.m_function);
    if (!WithinSpace(f, r.m_offset, r.m_size))
        return kSimStatusInvalidParameter;
    uint32_t value = f ? f->ReadConfig(r.m_offset, r.m_size) : kAbsentValue >> (8 * (4 - r.m_size));
    pci::PutLe32(r.m_out, value);
    *r.m_returned = kReadConfigOutSize;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeWriteConfig(const CServedRequest& r)
{
    if (FaultsAddress(r))
        return kSimStatusIoDeviceError;
    if (uint32_t status = WriteRefusal())
        return status;
    // An absent function ignores the write, as a master abort would.
    CSimFunction* f = FindFunction(r.m_segment, r.m_bus, r.m_device, r.m_function);
    if (!WithinSpace(f, r.m_offset, r.m_size))
        return kSimStatusInvalidParameter;
    if (f)
        f->WriteConfig(r.m_offset, r.m_size, pci::GetLe32(r.m_in + kRegValueOffset));
    m_lastFunction = nullptr;
    return kSimStatusSuccess;
}

bool CSimMachine::Resolve(uint8_t space, uint64_t address, CSimFunction** function, uint32_t* slot, uint64_t* offset,
                          bool* alone)
{
    if (m_lastFunction && m_lastFunction->SlotDecodes(m_lastSlot, space, address, offset)) {
        *function = m_lastFunction;
        *slot = m_lastSlot;
        *alone = true;
        return true;
    }
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        if (m_functions[i]->Decodes(space, address, slot, offset)) {
            *function = m_functions[i];
            *alone = !Overlapped(*function, *slot, space);
            m_lastFunction = *alone ? *function : nullptr;
            m_lastSlot = *slot;
            return true;
        }
    }
    return false;
}

bool CSimMachine::Overlapped(const CSimFunction* function, uint32_t slot, uint8_t space) const
{
    uint64_t base, size;
    if (!function->SlotRange(slot, space, &base, &size))
        return false;
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        for (uint32_t other = 0; other < kSimBarSlots; ++other) {
            uint64_t otherBase, otherSize;
            if ((m_functions[i] == function && other == slot) ||
                !m_functions[i]->SlotRange(other, space, &otherBase, &otherSize))
                continue;
            // Differences, not ends: a range may end at the top of the address space.
            if (otherBase >= base ? otherBase - base < size : base - otherBase < otherSize)
                return true;
        }
    }
    return false;
}

uint64_t CSimMachine::DistanceToNextRange(uint8_t space, uint64_t address, uint64_t length) const
{
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
            uint64_t base, size;
            if (m_functions[i]->SlotRange(slot, space, &base, &size) && base > address && base - address < length)
                length = base - address;
        }
    }
    return length;
}

// A run ends where its range ends and, where ranges overlap, where another range starts: from
// there on that range may come first. Unmapped, it ends where the nearest range above starts.
// Counted as lengths, so a request that ends at the top of the address space does not wrap.
CSimMachine::CRun CSimMachine::NextRun(uint8_t space, uint64_t address, uint32_t remaining)
{
    CRun run = {nullptr, 0, 0, remaining};
    bool alone = false;
    uint64_t length = remaining;
    if (Resolve(space, address, &run.m_function, &run.m_slot, &run.m_offset, &alone)) {
        const uint64_t left = run.m_function->m_barSize[run.m_slot] - run.m_offset;
        if (left < length)
            length = left;
    }
    if (!alone)
        length = DistanceToNextRange(space, address, length);
    run.m_length = uint32_t(length);
    return run;
}

uint32_t CSimMachine::ServeReadDevice(const CServedRequest& r)
{
    if (FaultsRange(r.m_space, r.m_address, r.m_bytes))
        return kSimStatusIoDeviceError;
    for (uint32_t done = 0; done < r.m_bytes;) {
        CRun run = NextRun(r.m_space, r.m_address + done, r.m_bytes - done);
        if (run.m_function)
            run.m_function->m_ranges[run.m_slot].Read(run.m_offset, r.m_out + done, run.m_length);
        else
            SimFill(r.m_out + done, kAbsentByte, run.m_length);
        done += run.m_length;
    }
    *r.m_returned = r.m_bytes;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeWriteDevice(const CServedRequest& r)
{
    if (FaultsRange(r.m_space, r.m_address, r.m_bytes))
        return kSimStatusIoDeviceError;
    if (uint32_t status = WriteRefusal())
        return status;
    // Reserve every page first so that a shortage refuses the request before any byte changes.
    // Expansion ROMs are read-only and unmapped addresses ignore writes.
    for (uint32_t done = 0; done < r.m_bytes;) {
        CRun run = NextRun(r.m_space, r.m_address + done, r.m_bytes - done);
        if (run.m_function && run.m_slot != kSimRomSlot &&
            !run.m_function->m_ranges[run.m_slot].Reserve(run.m_offset, run.m_length, &m_budget))
            return kSimStatusInsufficientResources;
        done += run.m_length;
    }
    for (uint32_t done = 0; done < r.m_bytes;) {
        CRun run = NextRun(r.m_space, r.m_address + done, r.m_bytes - done);
        if (run.m_function && run.m_slot != kSimRomSlot)
            run.m_function->m_ranges[run.m_slot].Write(run.m_offset, r.m_data + done, run.m_length);
        done += run.m_length;
    }
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeSetFault(const CServedRequest& r)
{
    uint32_t mode = pci::GetLe32(r.m_in + kSimFaultModeOffset);
    if (mode > kSimFaultWriteDenied)
        return kSimStatusInvalidParameter;
    SetFault(mode, pci::GetLe32(r.m_in + kSimFaultBusOffset), pci::GetLe32(r.m_in + kSimFaultDeviceOffset),
             pci::GetLe32(r.m_in + kSimFaultFunctionOffset));
    return kSimStatusSuccess;
}
