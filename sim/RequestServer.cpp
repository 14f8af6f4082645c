#include "sim/RequestServer.h"
#include "sim/SimStatus.h"

#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"

namespace {

bool ValidUnit(uint32_t unit)
{
    return unit == 1 || unit == 2 || unit == 4;
}

using EInput = CRequestServer::EInput;
using EOutput = CRequestServer::EOutput;
constexpr uint8_t kAddress = CRequestServer::kFunctionAddress;
constexpr uint8_t kRegister = CRequestServer::kRegister;
constexpr uint8_t kWide = CRequestServer::kWideRange;

} // namespace

// Probe and read configuration space take longer inputs, as older programs sent them.
const CRequestServer::CRow CRequestServer::s_rows[] = {
    {IOCTL_PROBE_FUNCTION, EInput::kAtLeast, kProbeInSize, kAddress, EOutput::kAtLeast, kProbeOutSize,
     &CRequestServer::ServeProbe},
    {IOCTL_WRITE_CONFIG, EInput::kExact, kWriteConfigInSize, kAddress | kRegister, EOutput::kNone, 0,
     &CRequestServer::ServeWriteConfig},
    {IOCTL_READ_CONFIG_SPACE, EInput::kAtLeast, kReadConfigSpaceInSize, kAddress, EOutput::kAtLeast, kConfigSpaceSize,
     &CRequestServer::ServeConfigSpace},
    {IOCTL_READ_CONFIG, EInput::kExact, kReadConfigInSize, kAddress | kRegister, EOutput::kAtLeast, kReadConfigOutSize,
     &CRequestServer::ServeReadConfig},
    {IOCTL_READ_DEVICE, EInput::kRange, kRangeHeaderSize, 0, EOutput::kRangeData, 0, &CRequestServer::ServeReadDevice},
    {IOCTL_WRITE_DEVICE, EInput::kRangeWithData, kRangeHeaderSize, 0, EOutput::kNone, 0,
     &CRequestServer::ServeWriteDevice},
    {IOCTL_READ_DEVICE_WIDE, EInput::kRange, kWideRangeHeaderSize, kWide, EOutput::kRangeData, 0,
     &CRequestServer::ServeReadDevice},
    {IOCTL_WRITE_DEVICE_WIDE, EInput::kRangeWithData, kWideRangeHeaderSize, kWide, EOutput::kNone, 0,
     &CRequestServer::ServeWriteDevice},
    {IOCTL_READ_EXTENDED_CONFIG_SPACE, EInput::kExact, kReadExtendedConfigSpaceInSize, kAddress, EOutput::kAtLeast,
     kExtendedConfigSpaceSize, &CRequestServer::ServeWholeSpace},
    {IOCTL_DESCRIBE_SOURCE, EInput::kExact, kDescribeSourceInSize, 0, EOutput::kSourceAnswer, 0,
     &CRequestServer::ServeDescribeSource},
    {IOCTL_SIM_SET_FAULT, EInput::kAtLeast, kSimFaultInSize, kSimulatorOnly, EOutput::kNone, 0,
     &CRequestServer::ServeSetFault},
};

const CRequestServer::CRow* CRequestServer::FindRow(uint32_t code)
{
    for (const CRow& row : s_rows) {
        if (row.m_code == code)
            return &row;
    }
    return nullptr;
}

uint32_t CRequestServer::Dispatch(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                                  uint32_t* returned)
{
    uint32_t ignored;
    CServedRequest request = {};
    request.m_in = in;
    request.m_inLength = inLength;
    request.m_out = out;
    request.m_outLength = outLength;
    request.m_returned = returned ? returned : &ignored;
    *request.m_returned = 0;
    if ((inLength && !in) || (outLength && !out))
        return kSimStatusInvalidParameter;
    const CRow* row = FindRow(code);
    if (!row || ((row->m_fields & kSimulatorOnly) && !TakesSimulatorControls()))
        return kSimStatusInvalidDeviceRequest;
    if (uint32_t status = CheckInput(*row, &request))
        return status;
    if (uint32_t status = CheckOutput(*row, request))
        return status;
    if (row->m_fields & kFunctionAddress) {
        if (uint32_t status = CheckAddress(&request))
            return status;
    }
    if (row->m_fields & kRegister) {
        if (uint32_t status = CheckRegister(&request))
            return status;
    }
    return (this->*row->m_handler)(request);
}

uint32_t CRequestServer::CheckInput(const CRow& row, CServedRequest* request) const
{
    const uint32_t length = request->m_inLength;
    request->m_wide = (row.m_fields & kWideRange) != 0;
    switch (row.m_input) {
    case EInput::kExact: return length == row.m_inSize ? kSimStatusSuccess : kSimStatusInvalidParameter;
    case EInput::kAtLeast: return length >= row.m_inSize ? kSimStatusSuccess : kSimStatusInvalidParameter;
    case EInput::kRange:
        if (length != row.m_inSize)
            return kSimStatusInvalidParameter;
        return CheckRange(request);
    case EInput::kRangeWithData:
        if (length < row.m_inSize)
            return kSimStatusInvalidParameter;
        if (uint32_t status = CheckRange(request))
            return status;
        request->m_data = request->m_in + row.m_inSize;
        return length == WriteDeviceInSize(request->m_wide, request->m_bytes) ? kSimStatusSuccess
                                                                              : kSimStatusInvalidParameter;
    }
    return kSimStatusInvalidParameter;
}

uint32_t CRequestServer::CheckOutput(const CRow& row, const CServedRequest& request) const
{
    uint32_t needed = 0;
    switch (row.m_output) {
    case EOutput::kNone: break;
    case EOutput::kAtLeast: needed = row.m_outSize; break;
    case EOutput::kRangeData: needed = request.m_bytes; break;
    case EOutput::kSourceAnswer: needed = SourceAnswerSize(GetSegmentCount()); break;
    }
    return request.m_outLength < needed ? kSimStatusBufferTooSmall : kSimStatusSuccess;
}

// The bus field's reserved bits, and a segment the source does not serve, are refused like a
// device or function number out of range.
uint32_t CRequestServer::CheckAddress(CServedRequest* request) const
{
    const uint32_t busField = pci::GetLe32(request->m_in + kAddrBusOffset);
    request->m_segment = BusFieldSegment(busField);
    request->m_bus = BusFieldBus(busField);
    request->m_device = pci::GetLe32(request->m_in + kAddrDeviceOffset);
    request->m_function = pci::GetLe32(request->m_in + kAddrFunctionOffset);
    if (!BusFieldWellFormed(busField) || request->m_device > pci::kMaxDevice ||
        request->m_function > pci::kMaxFunction || !ServesSegment(request->m_segment))
        return kSimStatusInvalidParameter;
    return kSimStatusSuccess;
}

uint32_t CRequestServer::CheckRegister(CServedRequest* request)
{
    request->m_offset = pci::GetLe32(request->m_in + kRegOffsetOffset);
    request->m_size = request->m_in[kRegSizeOffset];
    const uint32_t offset = request->m_offset, size = request->m_size;
    if (!ValidUnit(size) || offset >= kExtendedConfigSpaceSize || offset + size > kExtendedConfigSpaceSize)
        return kSimStatusInvalidParameter;
    return kSimStatusSuccess;
}

uint32_t CRequestServer::CheckRange(CServedRequest* request)
{
    const bool wide = request->m_wide;
    const uint8_t* in = request->m_in;
    request->m_space = in[wide ? kWideRangeSpaceOffset : kRangeSpaceOffset];
    request->m_address = wide ? pci::GetLe64(in + kWideRangeAddressOffset) : pci::GetLe32(in + kRangeAddressOffset);
    const uint32_t unit = pci::GetLe32(in + (wide ? kWideRangeUnitOffset : kRangeUnitOffset));
    const uint32_t count = pci::GetLe32(in + (wide ? kWideRangeCountOffset : kRangeCountOffset));
    if ((request->m_space != kSpaceIo && request->m_space != kSpaceMemory) || !ValidUnit(unit) || count == 0 ||
        count > kMaxRangeTransferBytes / unit)
        return kSimStatusInvalidParameter;
    request->m_unit = unit;
    request->m_bytes = unit * count;
    // A request may end at the top of its address space but never wrap past it.
    const uint64_t lastByte = request->m_address + (request->m_bytes - 1);
    if (lastByte < request->m_address || (!wide && lastByte >= kNarrowAddressLimit))
        return kSimStatusInvalidParameter;
    return kSimStatusSuccess;
}

bool CRequestServer::ServesSegment(uint16_t segment) const
{
    for (uint32_t i = 0; i < m_segments.Count(); ++i) {
        if (m_segments[i] == segment)
            return true;
    }
    return false;
}

bool CRequestServer::AddSegment(uint16_t segment)
{
    uint32_t at = 0;
    while (at < m_segments.Count() && m_segments[at] < segment)
        ++at;
    if (at < m_segments.Count() && m_segments[at] == segment)
        return true;
    return m_segments.Insert(at, segment);
}

uint32_t CRequestServer::ServeSetFault(const CServedRequest&)
{
    return kSimStatusInvalidDeviceRequest;
}

uint32_t CRequestServer::ServeDescribeSource(const CServedRequest& request)
{
    const uint32_t count = GetSegmentCount();
    const uint32_t size = SourceAnswerSize(count);
    pci::PutLe32(request.m_out + kSourceSizeOffset, size);
    pci::PutLe32(request.m_out + kSourceKindOffset, SourceKind());
    pci::PutLe32(request.m_out + kSourceFlagsOffset, TakesConfigWrites() ? kSourceConfigWritesAllowed : 0);
    pci::PutLe32(request.m_out + kSourceSegmentCountOffset, count);
    for (uint32_t i = 0; i < count; ++i)
        pci::PutLe16(request.m_out + kSourceFixedSize + i * kSourceSegmentBytes, m_segments[i]);
    *request.m_returned = size;
    return kSimStatusSuccess;
}
