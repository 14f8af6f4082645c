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

uint32_t AddressKey(uint32_t bus, uint32_t device, uint32_t function)
{
    return pci::RoutingId(bus, device, function);
}

bool ValidUnit(uint32_t unit)
{
    return unit == 1 || unit == 2 || unit == 4;
}

} // namespace

CSimMachine::CSimMachine()
    : m_budget(), m_notes(), m_faultMode(kSimFaultOff), m_faultKey(0), m_lastFunction(nullptr), m_lastSlot(0)
{
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
    if (m_notes[0])
        SimTrace(m_notes);
    return true;
}

CSimFunction* CSimMachine::FindFunction(uint32_t bus, uint32_t device, uint32_t function) const
{
    uint32_t key = AddressKey(bus, device, function);
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
        CSimFunction* first = FindFunction(bus, device, 0);
        if (first && first->m_answersAllFunctions)
            return first;
    }
    return nullptr;
}

void CSimMachine::SetFault(uint32_t mode, uint32_t bus, uint32_t device, uint32_t function)
{
    m_faultMode = mode;
    m_faultKey = AddressKey(bus & pci::kMaxBus, device & pci::kMaxDevice, function & pci::kMaxFunction);
}

bool CSimMachine::FaultsAddress(uint32_t bus, uint32_t device, uint32_t function) const
{
    if (m_faultMode == kSimFaultAll)
        return true;
    return m_faultMode == kSimFaultFunction && AddressKey(bus, device, function) == m_faultKey;
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
    const CSimFunction* f = FindFunction(pci::RoutingIdBus(m_faultKey), pci::RoutingIdDevice(m_faultKey),
                                         pci::RoutingIdFunction(m_faultKey));
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

uint32_t CSimMachine::Dispatch(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                               uint32_t* returned)
{
    uint32_t ignored;
    if (!returned)
        returned = &ignored;
    *returned = 0;
    if ((inLength && !in) || (outLength && !out))
        return kSimStatusInvalidParameter;
    if (uint32_t status = CheckLength(code, inLength))
        return status;
    switch (code) {
    case IOCTL_PROBE_FUNCTION: return ServeProbe(in, inLength, out, outLength, returned);
    case IOCTL_WRITE_CONFIG: return ServeWriteConfig(in, inLength);
    case IOCTL_READ_CONFIG_SPACE: return ServeReadConfigSpace(in, inLength, out, outLength, returned);
    case IOCTL_READ_EXTENDED_CONFIG_SPACE: return ServeReadWholeSpace(in, inLength, out, outLength, returned);
    case IOCTL_READ_CONFIG: return ServeReadConfig(in, inLength, out, outLength, returned);
    case IOCTL_READ_DEVICE: return ServeReadDevice(in, inLength, out, outLength, returned, false);
    case IOCTL_WRITE_DEVICE: return ServeWriteDevice(in, inLength, false);
    case IOCTL_READ_DEVICE_WIDE: return ServeReadDevice(in, inLength, out, outLength, returned, true);
    case IOCTL_WRITE_DEVICE_WIDE: return ServeWriteDevice(in, inLength, true);
    case IOCTL_DESCRIBE_SOURCE:
        return ServeDescribeSource(kSourceKindImage, m_faultMode != kSimFaultWriteProtect, out, outLength, returned);
    case IOCTL_SIM_SET_FAULT: return ServeSetFault(in, inLength);
    default: return kSimStatusInvalidDeviceRequest;
    }
}

uint32_t CSimMachine::CheckLength(uint32_t code, uint32_t inLength)
{
    const uint32_t fixed = FixedRequestInSize(code);
    return fixed != kVariableInSize && inLength != fixed ? kSimStatusInvalidParameter : kSimStatusSuccess;
}

uint32_t CSimMachine::CheckAddress(const uint8_t* in, uint32_t* bus, uint32_t* device, uint32_t* function)
{
    *bus = pci::GetLe32(in + kAddrBusOffset);
    *device = pci::GetLe32(in + kAddrDeviceOffset);
    *function = pci::GetLe32(in + kAddrFunctionOffset);
    if (*bus > pci::kMaxBus || *device > pci::kMaxDevice || *function > pci::kMaxFunction)
        return kSimStatusInvalidParameter;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::CheckRegister(const uint8_t* in, uint32_t* offset, uint32_t* size)
{
    *offset = pci::GetLe32(in + kRegOffsetOffset);
    *size = in[kRegSizeOffset];
    if (!ValidUnit(*size) || *offset >= kExtendedConfigSpaceSize || *offset + *size > kExtendedConfigSpaceSize)
        return kSimStatusInvalidParameter;
    return kSimStatusSuccess;
}

// Registers past the function's own space do not exist: a request for one is refused.
bool CSimMachine::WithinSpace(const CSimFunction* f, uint32_t offset, uint32_t size)
{
    return !f || offset + size <= f->SpaceSize();
}

uint32_t CSimMachine::ServeProbe(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                 uint32_t* returned)
{
    if (inLength < kProbeInSize)
        return kSimStatusInvalidParameter;
    if (outLength < kProbeOutSize)
        return kSimStatusBufferTooSmall;
    uint32_t bus, device, function;
    if (uint32_t status = CheckAddress(in, &bus, &device, &function))
        return status;
    if (FaultsAddress(bus, device, function))
        return kSimStatusIoDeviceError;
    const CSimFunction* f = FindFunction(bus, device, function);
    pci::PutLe32(out, f ? f->ReadConfig(0, 4) : kAbsentValue);
    *returned = kProbeOutSize;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeReadConfigSpace(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                           uint32_t* returned)
{
    return ServeReadSpace(in, inLength, out, outLength, returned, false);
}

uint32_t CSimMachine::ServeReadWholeSpace(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                          uint32_t* returned)
{
    return ServeReadSpace(in, inLength, out, outLength, returned, true);
}

// 802h answers the first 256 bytes; 808h the function's whole space (4 KiB with extended
// space). An absent function answers 256 bytes of all ones to both.
uint32_t CSimMachine::ServeReadSpace(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                     uint32_t* returned, bool whole)
{
    if (inLength < (whole ? kReadExtendedConfigSpaceInSize : kReadConfigSpaceInSize))
        return kSimStatusInvalidParameter;
    if (outLength < (whole ? kExtendedConfigSpaceSize : kConfigSpaceSize))
        return kSimStatusBufferTooSmall;
    uint32_t bus, device, function;
    if (uint32_t status = CheckAddress(in, &bus, &device, &function))
        return status;
    if (FaultsAddress(bus, device, function))
        return kSimStatusIoDeviceError;
    const CSimFunction* f = FindFunction(bus, device, function);
    const uint32_t size = f && whole ? f->SpaceSize() : kConfigSpaceSize;
    if (f)
        SimCopy(out, f->m_config, size);
    else
        SimFill(out, kAbsentByte, size);
    *returned = size;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeReadConfig(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                      uint32_t* returned)
{
    if (inLength < kReadConfigInSize)
        return kSimStatusInvalidParameter;
    if (outLength < kReadConfigOutSize)
        return kSimStatusBufferTooSmall;
    uint32_t bus, device, function, offset, size;
    if (uint32_t status = CheckAddress(in, &bus, &device, &function))
        return status;
    if (uint32_t status = CheckRegister(in, &offset, &size))
        return status;
    if (FaultsAddress(bus, device, function))
        return kSimStatusIoDeviceError;
    const CSimFunction* f = FindFunction(bus, device, function);
    if (!WithinSpace(f, offset, size))
        return kSimStatusInvalidParameter;
    uint32_t value = f ? f->ReadConfig(offset, size) : kAbsentValue >> (8 * (4 - size));
    pci::PutLe32(out, value);
    *returned = kReadConfigOutSize;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeWriteConfig(const uint8_t* in, uint32_t inLength)
{
    if (inLength < kWriteConfigInSize)
        return kSimStatusInvalidParameter;
    uint32_t bus, device, function, offset, size;
    if (uint32_t status = CheckAddress(in, &bus, &device, &function))
        return status;
    if (uint32_t status = CheckRegister(in, &offset, &size))
        return status;
    if (FaultsAddress(bus, device, function))
        return kSimStatusIoDeviceError;
    if (uint32_t status = WriteRefusal())
        return status;
    // An absent function ignores the write, as a master abort would.
    CSimFunction* f = FindFunction(bus, device, function);
    if (!WithinSpace(f, offset, size))
        return kSimStatusInvalidParameter;
    if (f)
        f->WriteConfig(offset, size, pci::GetLe32(in + kRegValueOffset));
    m_lastFunction = nullptr;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::CheckRange(const uint8_t* in, uint32_t inLength, bool wide, uint8_t* space, uint64_t* address,
                                 uint32_t* bytes)
{
    if (inLength < (wide ? kWideRangeHeaderSize : kRangeHeaderSize))
        return kSimStatusInvalidParameter;
    *space = in[wide ? kWideRangeSpaceOffset : kRangeSpaceOffset];
    *address = wide ? pci::GetLe64(in + kWideRangeAddressOffset) : pci::GetLe32(in + kRangeAddressOffset);
    uint32_t unit = pci::GetLe32(in + (wide ? kWideRangeUnitOffset : kRangeUnitOffset));
    uint32_t count = pci::GetLe32(in + (wide ? kWideRangeCountOffset : kRangeCountOffset));
    if ((*space != kSpaceIo && *space != kSpaceMemory) || !ValidUnit(unit) || count == 0 ||
        count > kSimMaxTransferBytes / unit)
        return kSimStatusInvalidParameter;
    *bytes = unit * count;
    // A request may end at the top of its address space but never wrap past it.
    const uint64_t lastByte = *address + (*bytes - 1);
    if (lastByte < *address || (!wide && lastByte >= kNarrowAddressLimit))
        return kSimStatusInvalidParameter;
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

uint32_t CSimMachine::ServeReadDevice(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                      uint32_t* returned, bool wide)
{
    uint8_t space;
    uint64_t address;
    uint32_t bytes;
    if (uint32_t status = CheckRange(in, inLength, wide, &space, &address, &bytes))
        return status;
    if (outLength < bytes)
        return kSimStatusBufferTooSmall;
    if (FaultsRange(space, address, bytes))
        return kSimStatusIoDeviceError;
    for (uint32_t done = 0; done < bytes;) {
        CRun run = NextRun(space, address + done, bytes - done);
        if (run.m_function)
            run.m_function->m_ranges[run.m_slot].Read(run.m_offset, out + done, run.m_length);
        else
            SimFill(out + done, kAbsentByte, run.m_length);
        done += run.m_length;
    }
    *returned = bytes;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeWriteDevice(const uint8_t* in, uint32_t inLength, bool wide)
{
    uint8_t space;
    uint64_t address;
    uint32_t bytes;
    if (uint32_t status = CheckRange(in, inLength, wide, &space, &address, &bytes))
        return status;
    if (inLength != WriteDeviceInSize(wide, bytes))
        return kSimStatusInvalidParameter;
    if (FaultsRange(space, address, bytes))
        return kSimStatusIoDeviceError;
    if (uint32_t status = WriteRefusal())
        return status;
    // Reserve every page first so that a shortage refuses the request before any byte changes.
    // Expansion ROMs are read-only and unmapped addresses ignore writes.
    for (uint32_t done = 0; done < bytes;) {
        CRun run = NextRun(space, address + done, bytes - done);
        if (run.m_function && run.m_slot != kSimRomSlot &&
            !run.m_function->m_ranges[run.m_slot].Reserve(run.m_offset, run.m_length, &m_budget))
            return kSimStatusInsufficientResources;
        done += run.m_length;
    }
    const uint8_t* data = in + (wide ? kWideRangeHeaderSize : kRangeHeaderSize);
    for (uint32_t done = 0; done < bytes;) {
        CRun run = NextRun(space, address + done, bytes - done);
        if (run.m_function && run.m_slot != kSimRomSlot)
            run.m_function->m_ranges[run.m_slot].Write(run.m_offset, data + done, run.m_length);
        done += run.m_length;
    }
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeDescribeSource(uint32_t kind, bool writesAllowed, uint8_t* out, uint32_t outLength,
                                          uint32_t* returned)
{
    constexpr uint32_t kSegmentCount = 1;
    constexpr uint32_t kSize = SourceAnswerSize(kSegmentCount);
    if (outLength < kSize)
        return kSimStatusBufferTooSmall;
    pci::PutLe32(out + kSourceSizeOffset, kSize);
    pci::PutLe32(out + kSourceKindOffset, kind);
    pci::PutLe32(out + kSourceFlagsOffset, writesAllowed ? kSourceConfigWritesAllowed : 0);
    pci::PutLe32(out + kSourceSegmentCountOffset, kSegmentCount);
    pci::PutLe16(out + kSourceFixedSize, 0);
    *returned = kSize;
    return kSimStatusSuccess;
}

uint32_t CSimMachine::ServeSetFault(const uint8_t* in, uint32_t inLength)
{
    if (inLength < kSimFaultInSize)
        return kSimStatusInvalidParameter;
    uint32_t mode = pci::GetLe32(in + kSimFaultModeOffset);
    if (mode > kSimFaultWriteDenied)
        return kSimStatusInvalidParameter;
    SetFault(mode, pci::GetLe32(in + kSimFaultBusOffset), pci::GetLe32(in + kSimFaultDeviceOffset),
             pci::GetLe32(in + kSimFaultFunctionOffset));
    return kSimStatusSuccess;
}
