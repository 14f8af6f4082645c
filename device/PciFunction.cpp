// CPciFunction: driver requests, register write-back, capabilities and BAR access.
#include "device/PciFunction.h"
#include "device/WriteObserver.h"

#include "protocol/DriverProtocol.h"
#include "pci/CommandStatus.h"
#include "pci/Capability.h"
#include "pci/CapabilityWalk.h"
#include "pci/ExtendedCapability.h"
#include "pci/RegisterLocator.h"

#include <string.h>

#include <new>

namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFF;

// The reserved bytes beside the capabilities pointer are never written back: a dword write to
// 34h would carry them, and they are no register of their own.
bool IsWrittenBack(const pci::CRegisterDef& def)
{
    return def.offset <= pci::kCapabilitiesPointerOffset || def.offset >= pci::kCapabilitiesPointerOffset + 4;
}

bool IsValidRegisterSize(uint32_t size)
{
    return size == 1 || size == 2 || size == 4;
}

bool IsValidRegister(uint32_t offset, uint32_t size)
{
    return IsValidRegisterSize(size) && offset < pci::kConfigSpaceBytes && size <= pci::kConfigSpaceBytes - offset;
}

// One synchronous device-control request; returned receives the bytes written to out.
bool SendRequest(HANDLE hDriver, uint32_t code, const uint8_t* in, uint32_t inLength, void* out, uint32_t outLength,
                 uint32_t* returned)
{
    DWORD bytes = 0;
    BOOL ok = DeviceIoControl(hDriver, code, const_cast<uint8_t*>(in), inLength, out, outLength, &bytes, nullptr);
    if (returned)
        *returned = ok ? uint32_t(bytes) : 0;
    return ok != FALSE;
}

void PutFunctionAddress(uint8_t* in, uint32_t bus, uint32_t device, uint32_t function)
{
    pci::PutLe32(in + kAddrBusOffset, bus);
    pci::PutLe32(in + kAddrDeviceOffset, device);
    pci::PutLe32(in + kAddrFunctionOffset, function);
}

void PutRegisterRequest(uint8_t* in, uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size)
{
    PutFunctionAddress(in, bus, device, function);
    pci::PutLe32(in + kRegOffsetOffset, offset);
    in[kRegSizeOffset] = size;
}

// Read-register request whose failure the caller sees; value is all ones then.
bool ReadRegister(HANDLE hDriver, uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size,
                  uint32_t* value)
{
    uint8_t in[kReadConfigInSize] = {};
    PutRegisterRequest(in, bus, device, function, offset, size);
    uint8_t out[kReadConfigOutSize];
    uint32_t returned = 0;
    bool ok =
        SendRequest(hDriver, IOCTL_READ_CONFIG, in, sizeof in, out, sizeof out, &returned) && returned == sizeof out;
    *value = ok ? pci::GetLe32(out) : kAllOnes;
    return ok;
}

bool IsValidUnitSize(uint32_t unitSize)
{
    return unitSize == 1 || unitSize == 2 || unitSize == 4;
}

// unitSize x count bytes of a range request, refusing sizes that the request buffers cannot carry.
bool GetRangeLength(uint32_t unitSize, uint32_t count, uint32_t* length)
{
    if (!IsValidUnitSize(unitSize) || count == 0)
        return false;
    if (count > (kAllOnes - kWriteDeviceOverhead) / unitSize)
        return false;
    *length = unitSize * count;
    return true;
}

void PutWideRangeHeader(uint8_t* in, uint8_t space, uint64_t address, uint32_t unitSize, uint32_t count)
{
    in[kWideRangeSpaceOffset] = space;
    pci::PutLe64(in + kWideRangeAddressOffset, address);
    pci::PutLe32(in + kWideRangeUnitOffset, unitSize);
    pci::PutLe32(in + kWideRangeCountOffset, count);
}

void PutRangeHeader(uint8_t* in, uint8_t space, uint32_t address, uint32_t unitSize, uint32_t count)
{
    in[kRangeSpaceOffset] = space;
    pci::PutLe32(in + kRangeAddressOffset, address);
    pci::PutLe32(in + kRangeUnitOffset, unitSize);
    pci::PutLe32(in + kRangeCountOffset, count);
}

} // namespace

uint32_t CPciFunction::BusField() const
{
    return MakeBusField(m_segment, uint8_t(m_bus));
}

// The probe request; false when it failed or came back short.
bool CPciFunction::SendProbe(uint32_t bus, uint32_t device, uint32_t function, uint32_t* value)
{
    uint8_t in[kProbeInSize] = {};
    PutFunctionAddress(in, bus, device, function);
    pci::PutLe32(in + kProbeReservedOffset, 0);
    uint8_t out[kProbeOutSize];
    uint32_t returned = 0;
    const bool ok = SendRequest(m_hDriver, IOCTL_PROBE_FUNCTION, in, sizeof in, out, sizeof out, &returned) &&
        returned == sizeof out;
    *value = ok ? pci::GetLe32(out) : pci::kAbsentFunctionDword;
    return ok;
}

bool CPciFunction::ReadConfigSpace(uint32_t bus, uint32_t device, uint32_t function, uint8_t* destination)
{
    uint8_t in[kReadConfigSpaceInSize] = {};
    PutFunctionAddress(in, bus, device, function);
    uint8_t image[pci::kConfigSpaceBytes];
    uint32_t returned = 0;
    if (!SendRequest(m_hDriver, IOCTL_READ_CONFIG_SPACE, in, sizeof in, image, sizeof image, &returned))
        return false;
    // A short answer would leave part of the image undefined.
    if (returned != sizeof image)
        return false;
    memcpy(destination, image, sizeof image);
    return true;
}

bool CPciFunction::ReadWholeSpace(std::vector<uint8_t>* space)
{
    uint8_t in[kReadExtendedConfigSpaceInSize] = {};
    PutFunctionAddress(in, BusField(), m_device, m_function);
    std::vector<uint8_t> image(kExtendedConfigSpaceSize);
    uint32_t returned = 0;
    if (!SendRequest(m_hDriver, IOCTL_READ_EXTENDED_CONFIG_SPACE, in, sizeof in, image.data(), uint32_t(image.size()),
                     &returned))
        return false;
    // The count says which space the function has; any other would leave bytes undefined.
    if (returned != kExtendedConfigSpaceSize && returned != pci::kConfigSpaceBytes)
        return false;
    image.resize(returned);
    space->swap(image);
    return true;
}

uint32_t CPciFunction::ReadConfig(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size)
{
    uint32_t value = 0;
    ReadRegister(m_hDriver, bus, device, function, offset, size, &value);
    return value;
}

bool CPciFunction::WriteConfig(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset, uint8_t size,
                               uint32_t value)
{
    uint8_t in[kWriteConfigInSize] = {};
    PutRegisterRequest(in, bus, device, function, offset, size);
    pci::PutLe32(in + kRegValueOffset, value);
    const bool barRegister = (offset >= pci::kBar0Offset && offset < pci::BarOffset(pci::kMaxBars)) ||
        offset == pci::kExpansionRomOffset || offset == pci::kBridgeExpansionRomOffset;
    return NoteWrite(SendRequest(m_hDriver, IOCTL_WRITE_CONFIG, in, sizeof in, nullptr, 0, nullptr), barRegister);
}

bool CPciFunction::NoteWrite(bool ok, bool onBar)
{
    if (!ok && m_writeError == ERROR_SUCCESS) {
        m_writeError = GetLastError();
        m_writeErrorOnBar = onBar;
    }
    return ok;
}

DWORD CPciFunction::TakeWriteError()
{
    const DWORD error = m_writeError;
    m_writeError = ERROR_SUCCESS;
    return error;
}

CPciFunction::CSource CPciFunction::DescribeSource(HANDLE hDriver)
{
    // Room for every segment a 16-bit number can name would be 128 KiB; no machine has that many.
    constexpr uint32_t kMaxSegments = 256;
    std::vector<uint8_t> out(SourceAnswerSize(kMaxSegments));
    uint32_t returned = 0;
    CSource source;
    if (!SendRequest(hDriver, IOCTL_DESCRIBE_SOURCE, nullptr, 0, out.data(), uint32_t(out.size()), &returned) ||
        returned < kSourceFixedSize)
        return source;
    source.answered = true;
    const uint32_t count = pci::GetLe32(out.data() + kSourceSegmentCountOffset);
    source.live = pci::GetLe32(out.data() + kSourceKindOffset) == kSourceKindLive;
    source.configWritesAllowed = (pci::GetLe32(out.data() + kSourceFlagsOffset) & kSourceConfigWritesAllowed) != 0;
    if (count == 0 || count > kMaxSegments || returned < SourceAnswerSize(count))
        return source;
    source.segments.clear();
    for (uint32_t i = 0; i < count; ++i)
        source.segments.push_back(pci::GetLe16(out.data() + kSourceFixedSize + i * kSourceSegmentBytes));
    return source;
}

std::string CPciFunction::DescribeWriteError(DWORD error, bool onBar)
{
    switch (error) {
    case ERROR_SUCCESS: return {};
    case ERROR_WRITE_PROTECT: return "Live mode is read-only: set BRISCO_LIVE_WRITES=1 to write";
    case ERROR_ACCESS_DENIED:
        return onBar ? "Refused: the host owns this device's BARs" : "Refused: the host owns this register";
    case ERROR_NOT_READY: return "Refused: the device's registers cannot be read";
    default: return "The write failed: error " + std::to_string(error);
    }
}

void CPciFunction::WriteConfigRegister(uint32_t offset, uint32_t size)
{
    if (!IsValidRegister(offset, size))
        return;
    if (memcmp(m_image + offset, m_lastRead + offset, size) == 0)
        return;
    WriteEditedRegister(offset, size);
}

bool CPciFunction::WriteEditedRegister(uint32_t offset, uint32_t size)
{
    if (!IsValidRegister(offset, size))
        return false;
    return Write(offset, size, uint32_t(pci::GetLe(m_image + offset, size)), pci::RegisterMask(size)).readOk;
}

bool CPciFunction::SendWrite(uint32_t offset, uint32_t width, uint32_t value)
{
    return WriteConfig(BusField(), m_device, m_function, offset, uint8_t(width), value);
}

bool CPciFunction::SendRead(uint32_t offset, uint32_t width, uint32_t* value)
{
    return ReadRegister(m_hDriver, BusField(), m_device, m_function, offset, uint8_t(width), value);
}

// A failed read answers all ones, which is no value of the register: kept, it would move a BAR
// to the top of the address space for the next BAR read. The last value read stays instead.
void CPciFunction::StoreReadBack(uint32_t offset, uint32_t size, bool readOk, uint32_t value)
{
    uint8_t bytes[pci::kDwordBytes] = {};
    pci::PutLe(bytes, size, value);
    for (uint32_t at = offset; at - offset < size && at < m_imageSize; ++at) {
        m_image[at] = readOk ? bytes[at - offset] : m_lastRead[at];
        m_lastRead[at] = m_image[at];
        m_unread[at] = !readOk;
    }
}

bool CPciFunction::IsUnread(uint32_t offset, uint32_t size) const
{
    for (uint32_t at = offset; at - offset < size && at < m_unread.size(); ++at) {
        if (m_unread[at])
            return true;
    }
    return false;
}

bool CPciFunction::IsInImage(uint32_t offset, uint32_t width) const
{
    return IsValidRegisterSize(width) && offset < m_imageSize && width <= m_imageSize - offset;
}

uint32_t CPciFunction::GetSpaceValue(uint32_t offset, uint32_t size) const
{
    return IsInImage(offset, size) ? uint32_t(pci::GetLe(m_image + offset, size)) : kAllOnes;
}

bool CPciFunction::WriteSpaceRegister(uint32_t offset, uint32_t size, uint32_t value, uint32_t* readBack)
{
    const CWriteResult result = Write(offset, size, value, kAllOnes);
    if (result.sent && readBack)
        *readBack = result.readBack;
    return result.sent;
}

CPciFunction::CWriteResult CPciFunction::Write(uint32_t offset, uint32_t width, uint32_t value, uint32_t mask)
{
    CWriteResult result;
    if (!IsInImage(offset, width))
        return result;
    const uint32_t full = pci::RegisterMask(width);
    mask &= full;
    // The device's own layout places the register, not an edit the image may hold.
    const pci::CRegisterBits bits = pci::DescribeWindow(m_lastRead, m_imageSize, offset, width);
    result.before = uint32_t(pci::GetLe(m_lastRead + offset, width));
    if (mask != full) {
        uint32_t fresh = 0;
        if (SendRead(offset, width, &fresh))
            result.before = fresh;
    }
    result.written = mask == full ? (value & full) : pci::ComposeWrite(bits, result.before, value, mask);
    result.predicted = pci::PredictReadBack(bits, result.before, result.written) & full;
    const bool accepted = SendWrite(offset, width, result.written);
    result.sent = true;
    uint32_t kept = 0;
    result.readOk = SendRead(offset, width, &kept);
    StoreReadBack(offset, width, result.readOk, kept);
    result.readBack = GetSpaceValue(offset, width);
    if (m_writeObserver)
        m_writeObserver->OnConfigWrite(*this, offset, width, mask, result, !accepted);
    return result;
}

void CPciFunction::SetWriteObserver(CWriteObserver* observer)
{
    m_writeObserver = observer;
    for (const auto& child : m_children)
        child->SetWriteObserver(observer);
    for (const CRootBus& rootBus : m_rootBuses)
        for (const auto& function : rootBus.functions)
            function->SetWriteObserver(observer);
}

void CPciFunction::TakeImage(const uint8_t* bytes, uint32_t size)
{
    memcpy(m_image, bytes, size);
    memcpy(m_lastRead, bytes, size);
    m_imageSize = size;
}

bool CPciFunction::ReloadSpace()
{
    std::vector<uint8_t> space;
    if (HasExtendedSpace() || HasExpressCapability()) {
        if (!ReadWholeSpace(&space))
            return false;
    } else {
        space.resize(pci::kConfigSpaceBytes);
        if (!ReadConfigSpace(BusField(), m_device, m_function, space.data()))
            return false;
    }
    TakeImage(space.data(), uint32_t(space.size()));
    m_unread.reset();
    return true;
}

bool CPciFunction::HasExpressCapability() const
{
    for (uint32_t index : GetCapabilityIndices()) {
        if (m_image[index * pci::kDwordBytes + pci::kCapabilityIdOffset] == pci::kCapPciExpress)
            return true;
    }
    return false;
}

std::vector<uint32_t> CPciFunction::GetExtendedCapabilityOffsets() const
{
    std::vector<uint32_t> offsets;
    if (!HasExtendedSpace())
        return offsets;
    pci::CExtendedCapabilityWalk walk(m_image, m_imageSize);
    for (uint32_t offset = 0; walk.Next(&offset);)
        offsets.push_back(offset);
    return offsets;
}

void CPciFunction::RefreshConfigSpace()
{
    // Device and PCI-to-PCI bridge headers are written back; a CardBus bridge's are not.
    const uint32_t layout = GetHeaderLayout();
    const pci::CRegisterBlock* header = pci::FindBlock(pci::EBlockKind::kHeader, uint16_t(layout));
    if (header && layout != pci::kLayoutCardBusBridge) {
        for (uint32_t i = 0; i < header->count; ++i) {
            if (IsWrittenBack(header->registers[i]))
                WriteConfigRegister(header->registers[i].offset, header->registers[i].width);
        }
    }
    for (uint32_t offset = pci::kDeviceSpecificOffset; offset < pci::kConfigSpaceBytes; offset += pci::kDwordBytes)
        WriteConfigRegister(offset, pci::kDwordBytes);
}

bool CPciFunction::IsBridge() const
{
    if (m_image[pci::kBaseClassOffset] != pci::kClassBridge)
        return false;
    uint8_t subclass = m_image[pci::kSubclassOffset];
    return subclass == pci::kSubclassHostBridge || subclass == pci::kSubclassPciBridge;
}

const uint8_t* CPciFunction::GetFirstCapability(uint32_t* index) const
{
    pci::CCapabilityWalk walk(m_image, m_imageSize);
    uint32_t offset = 0;
    if (!walk.Next(&offset))
        return nullptr;
    if (index)
        *index = offset / pci::kDwordBytes;
    return m_image + offset;
}

uint8_t* CPciFunction::GetFirstCapability(uint32_t* index)
{
    return const_cast<uint8_t*>(static_cast<const CPciFunction*>(this)->GetFirstCapability(index));
}

// The walk is taken again from the start up to entry, so a list that loops, breaks or points
// into the header ends here exactly where the capabilities page ends it.
const uint8_t* CPciFunction::GetNextCapability(const uint8_t* entry, uint32_t* index) const
{
    if (!entry || entry < m_image || entry >= m_image + pci::kConfigSpaceBytes)
        return nullptr;
    const uint32_t current = uint32_t(entry - m_image);
    pci::CCapabilityWalk walk(m_image, m_imageSize);
    uint32_t offset = 0;
    while (walk.Next(&offset)) {
        if (offset != current)
            continue;
        if (!walk.Next(&offset))
            return nullptr;
        if (index)
            *index = offset / pci::kDwordBytes;
        return m_image + offset;
    }
    return nullptr;
}

uint8_t* CPciFunction::GetNextCapability(const uint8_t* entry, uint32_t* index)
{
    return const_cast<uint8_t*>(static_cast<const CPciFunction*>(this)->GetNextCapability(entry, index));
}

std::vector<uint32_t> CPciFunction::GetCapabilityIndices() const
{
    std::vector<uint32_t> indices;
    pci::CCapabilityWalk walk(m_image, m_imageSize);
    for (uint32_t offset = 0; walk.Next(&offset);)
        indices.push_back(offset / pci::kDwordBytes);
    return indices;
}

int CPciFunction::FindBarForAddress(uint64_t address) const
{
    for (int i = 0; i < GetBarCount(); ++i) {
        const CBarInfo bar = GetBar(i);
        if (bar.kind != pci::BarKind::kUpperHalf && bar.base == address)
            return i;
    }
    return -1;
}

// Writes all ones to one BAR register and reads the mask; the saved value goes back whenever
// the write was attempted.
bool CPciFunction::SizeBarRegister(uint32_t reg, uint32_t* mask)
{
    uint32_t saved = 0;
    if (!SendRead(reg, pci::kDwordBytes, &saved))
        return false;
    bool sizingWritten = SendWrite(reg, pci::kDwordBytes, kAllOnes);
    bool maskRead = sizingWritten && SendRead(reg, pci::kDwordBytes, mask);
    bool restored = SendWrite(reg, pci::kDwordBytes, saved);
    return maskRead && restored;
}

uint64_t CPciFunction::ProbeBarSize(int index)
{
    const CBarInfo bar = GetBar(index);
    if (index < 0 || index >= GetBarCount() || bar.kind == pci::BarKind::kUpperHalf)
        return 0;
    // Decode stays off while a BAR holds all ones, so the device never answers at those addresses.
    uint32_t command = 0;
    if (!SendRead(pci::kCommandOffset, pci::kWordBytes, &command))
        return 0;
    const bool decodeOn = (command & pci::kCommandDecodeEnables) != 0;
    if (decodeOn && !SendWrite(pci::kCommandOffset, pci::kWordBytes, command & ~uint32_t(pci::kCommandDecodeEnables))) {
        SendWrite(pci::kCommandOffset, pci::kWordBytes, command);
        return 0;
    }
    const uint32_t reg = pci::BarOffset(uint32_t(index));
    const bool wide = bar.kind == pci::BarKind::kMemory64 && index + 1 < GetBarCount();
    uint32_t lowMask = 0;
    uint32_t highMask = 0;
    bool sized = SizeBarRegister(reg, &lowMask);
    if (sized && wide)
        sized = SizeBarRegister(reg + pci::kBarBytes, &highMask);
    bool restored = !decodeOn || SendWrite(pci::kCommandOffset, pci::kWordBytes, command);
    const uint64_t size = sized && restored ? pci::BarSizeFromMask(lowMask, highMask) : 0;
    if (m_writeObserver)
        m_writeObserver->OnBarProbe(*this, index, size, restored);
    if (!sized || !restored)
        return 0;
    m_barSizes[index] = size;
    return size;
}

// Checks and sends one range request; the address is the BAR's full base plus the offset.
bool CPciFunction::SendRangeRequest(int index, uint32_t offset, bool write, void* buffer, uint32_t unitSize,
                                    uint32_t count)
{
    uint32_t length = 0;
    if (index < 0 || index >= GetBarCount() || !buffer || !GetRangeLength(unitSize, count, &length))
        return false;
    const CBarInfo bar = GetBar(index);
    if (bar.kind == pci::BarKind::kUpperHalf)
        return false;
    const uint64_t address = bar.base + offset;
    const uint64_t lastByte = address + (length - 1);
    if (address < bar.base || lastByte < address)
        return false;
    const uint8_t space = bar.IsIo() ? kSpaceIo : kSpaceMemory;
    const bool wide = lastByte >= kNarrowAddressLimit;
    const uint32_t header = wide ? kWideRangeHeaderSize : kRangeHeaderSize;
    const uint32_t total = write ? WriteDeviceInSize(wide, length) : header;
    std::unique_ptr<uint8_t[]> in(new (std::nothrow) uint8_t[total]());
    if (!in)
        return false;
    if (wide)
        PutWideRangeHeader(in.get(), space, address, unitSize, count);
    else
        PutRangeHeader(in.get(), space, uint32_t(address), unitSize, count);
    if (write) {
        memcpy(in.get() + header, buffer, length);
        return NoteWrite(SendRequest(m_hDriver, wide ? IOCTL_WRITE_DEVICE_WIDE : IOCTL_WRITE_DEVICE, in.get(), total,
                                     nullptr, 0, nullptr));
    }
    uint32_t returned = 0;
    return SendRequest(m_hDriver, wide ? IOCTL_READ_DEVICE_WIDE : IOCTL_READ_DEVICE, in.get(), total, buffer, length,
                       &returned) &&
        returned == length;
}

bool CPciFunction::ReadDeviceData(int index, uint32_t offset, void* buffer, uint32_t unitSize, uint32_t count)
{
    return SendRangeRequest(index, offset, false, buffer, unitSize, count);
}

bool CPciFunction::WriteDeviceData(int index, uint32_t offset, const void* data, uint32_t unitSize, uint32_t count)
{
    OutputDebugStringA("CPciFunction::WriteDeviceData\r\n");
    return SendRangeRequest(index, offset, true, const_cast<void*>(data), unitSize, count);
}

std::string CPciFunction::GetVendorName() const
{
    return m_vendorName;
}

std::string CPciFunction::GetDeviceName() const
{
    return m_deviceName;
}

std::string CPciFunction::GetSubsystemVendorName() const
{
    return m_subsystemVendorName;
}

uint8_t CPciFunction::GetConfigByte(uint32_t offset) const
{
    return offset < pci::kConfigSpaceBytes ? m_image[offset] : 0xFF;
}

uint16_t CPciFunction::GetConfigWord(uint32_t offset) const
{
    return IsValidRegister(offset, pci::kWordBytes) ? pci::GetLe16(m_image + offset) : 0xFFFF;
}

uint16_t CPciFunction::GetVendorId() const
{
    return GetConfigWord(pci::kVendorIdOffset);
}

uint16_t CPciFunction::GetDeviceId() const
{
    return GetConfigWord(pci::kDeviceIdOffset);
}

uint32_t CPciFunction::GetHeaderLayout() const
{
    return m_image[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
}

bool CPciFunction::IsMultiFunction() const
{
    return (m_image[pci::kHeaderTypeOffset] & pci::kMultiFunctionFlag) != 0;
}

int CPciFunction::GetBarCount() const
{
    return int(pci::BarCountForLayout(GetHeaderLayout()));
}

CBarInfo CPciFunction::GetBar(int index) const
{
    CBarInfo info;
    info.index = index;
    if (index < 0 || index >= GetBarCount())
        return info;
    pci::BarKind previous = pci::BarKind::kNone;
    for (int i = 0; i <= index; ++i)
        previous = pci::BarKindOf(GetBarValue(i), previous);
    info.kind = previous;
    const uint32_t value = GetBarValue(index);
    info.size = m_barSizes[index];
    if (info.kind == pci::BarKind::kUpperHalf || info.kind == pci::BarKind::kNone)
        return info;
    info.prefetchable = pci::IsPrefetchableBar(value);
    info.base = pci::BarBase(value);
    if (info.kind == pci::BarKind::kMemory64)
        info.base |= uint64_t(GetBarValue(index + 1)) << 32;
    return info;
}

uint32_t CPciFunction::GetBarValue(int index) const
{
    if (index < 0 || index >= GetBarCount())
        return 0;
    return pci::GetLe32(m_image + pci::BarOffset(uint32_t(index)));
}
