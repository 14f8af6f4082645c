#include "live/LiveMachine.h"
#include "live/LiveWritePolicy.h"
#include "sim/SimFunction.h"
#include "sim/SimHost.h"
#include "sim/SimStatus.h"
#include "sim/SimUtil.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "protocol/DriverProtocol.h"

namespace {

constexpr uint32_t kPathChars = 96;
constexpr uint32_t kTraceChars = 128;
// sysfs lists six BARs, then the expansion ROM, then a bridge's windows.
constexpr uint32_t kResourceTextBytes = 1024;
// /proc/bus/pci/devices: about 200 characters per function.
constexpr uint32_t kProcfsListBytes = 256u << 10;
// Linux's resource flag of an I/O range.
constexpr uint64_t kLinuxResourceIo = 0x100;
// procfs keeps a BAR's flag bits in the low bits of its base column.
constexpr uint64_t kProcfsFlagBits = 0xF;
constexpr uint32_t kProcfsBaseColumn = 3;
constexpr uint32_t kProcfsSizeColumn = kProcfsBaseColumn + kSimBarSlots;
constexpr uint8_t kAbsentByte = 0xFF;
constexpr char kImageName[] = "live machine";

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

uint32_t HexValue(char c)
{
    return c <= '9' ? uint32_t(c - '0') : uint32_t((c | 0x20) - 'a' + 10);
}

// Reads hex digits (after an optional 0x) at *text; false when there are none or too many.
bool ParseHex(const char** text, const char* end, uint64_t* value, uint32_t maxDigits = 16)
{
    const char* p = *text;
    if (end - p >= 2 && p[0] == '0' && (p[1] | 0x20) == 'x')
        p += 2;
    uint32_t digits = 0;
    *value = 0;
    for (; p < end && IsHexDigit(*p); ++p, ++digits) {
        if (digits == maxDigits)
            return false;
        *value = (*value << 4) | HexValue(*p);
    }
    *text = p;
    return digits > 0;
}

void SkipBlanks(const char** text, const char* end)
{
    while (*text < end && (**text == ' ' || **text == '\t'))
        ++*text;
}

const char* LineEnd(const char* text, const char* end)
{
    while (text < end && *text != '\n')
        ++text;
    return text;
}

bool IsPowerOfTwo(uint64_t value)
{
    return value && !(value & (value - 1));
}

// The address a BAR (or the ROM) of the configuration bytes holds now.
uint64_t AssignedBase(const CLiveFunction& f, uint32_t slot, bool* io)
{
    const uint32_t layout = f.config[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    *io = false;
    if (slot == kSimRomSlot) {
        if (layout > pci::kLayoutPciBridge)
            return 0;
        const uint32_t at = layout == pci::kLayoutPciBridge ? pci::kBridgeExpansionRomOffset : pci::kExpansionRomOffset;
        return pci::GetLe32(f.config + at) & pci::kRomBaseMask;
    }
    if (slot >= ImageBarCount(layout))
        return 0;
    const uint32_t value = pci::GetLe32(f.config + pci::BarOffset(slot));
    *io = pci::IsIoBar(value);
    uint64_t base = pci::BarBase(value);
    if (pci::IsMemory64Bar(value) && slot + 1 < ImageBarCount(layout))
        base |= uint64_t(pci::GetLe32(f.config + pci::BarOffset(slot + 1))) << 32;
    return base;
}

// A growing text in host memory: where the snapshot's image is written.
class CMemorySink : public CImageSink {
public:
    ~CMemorySink() override { m_text.Release(); }
    bool Write(const char* text, uint32_t length) override
    {
        for (uint32_t i = 0; i < length; ++i) {
            if (!m_text.Add(text[i]))
                return false;
        }
        return true;
    }
    const char* Text() const { return m_text.Count() ? &m_text[0] : ""; }
    uint32_t Length() const { return m_text.Count(); }

private:
    CSimArray<char> m_text;
};

// The path of one of a function's sysfs files; more may be added to the returned text.
CSimText SysfsPath(uint16_t segment, uint32_t key, const char* leaf, char* path, uint32_t capacity)
{
    CSimText text(path, capacity);
    text.Add(kSysfsDevicesPath).Add("/").AddLowerHex(segment, 4).Add(":");
    text.AddLowerHex(pci::RoutingIdBus(key), 2).Add(":");
    text.AddLowerHex(pci::RoutingIdDevice(key), 2).Add(".").AddDec(pci::RoutingIdFunction(key)).Add("/").Add(leaf);
    return text;
}

} // namespace

CLiveMachine::CLiveMachine(CLiveFiles* files, bool writesAllowed)
    : m_files(files), m_writesAllowed(writesAllowed), m_notes(), m_otherDomains()
{
}

CLiveMachine::~CLiveMachine()
{
    for (uint32_t i = 0; i < m_functions.Count(); ++i)
        SimFree(m_functions[i]);
    m_functions.Release();
}

bool CLiveMachine::AddFunction(uint32_t domain, uint32_t bus, uint32_t device, uint32_t function)
{
    if (bus > pci::kMaxBus || device > pci::kMaxDevice || function > pci::kMaxFunction)
        return true;
    if (domain > kMaxSegment) {
        for (uint32_t i = 0; i < m_otherDomainCount; ++i) {
            if (m_otherDomains[i] == domain)
                return true;
        }
        if (m_otherDomainCount < sizeof(m_otherDomains) / sizeof(m_otherDomains[0]))
            m_otherDomains[m_otherDomainCount++] = domain;
        return true;
    }
    const uint16_t segment = uint16_t(domain);
    const uint32_t key = pci::RoutingId(bus, device, function);
    const uint32_t order = FunctionKey(segment, key);
    uint32_t at = 0;
    while (at < m_functions.Count() && FunctionKey(m_functions[at]->segment, m_functions[at]->key) < order)
        ++at;
    if (at < m_functions.Count() && FunctionKey(m_functions[at]->segment, m_functions[at]->key) == order)
        return true;
    if (!AddSegment(segment))
        return false;
    auto* f = static_cast<CLiveFunction*>(SimAlloc(sizeof(CLiveFunction)));
    if (!f)
        return false;
    f->key = key;
    f->segment = segment;
    if (!m_functions.Insert(at, f)) {
        SimFree(f);
        return false;
    }
    return true;
}

// procfs names no domain: it serves segment 0 alone, the only one its listing adds.
void CLiveMachine::ConfigPath(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function, char* path,
                              uint32_t capacity) const
{
    if (m_layout == Layout::kProcfs) {
        CSimText(path, capacity)
            .Add("proc/bus/pci/")
            .AddLowerHex(bus, 2)
            .Add("/")
            .AddLowerHex(device, 2)
            .Add(".")
            .AddDec(function);
        return;
    }
    SysfsPath(segment, pci::RoutingId(bus, device, function), "config", path, capacity);
}

bool CLiveMachine::ListSysfs()
{
    struct CContext
    {
        CLiveMachine* machine;
        bool ok;
    } context = {this, true};
    // Names are DDDD:BB:DD.F; anything else in the folder is not a function.
    auto visit = [](void* p, const char* name) {
        auto* c = static_cast<CContext*>(p);
        const char* end = name + SimStrLen(name);
        uint64_t domain, bus, device, function;
        const char* at = name;
        if (!ParseHex(&at, end, &domain, 8) || at == end || *at++ != ':' || !ParseHex(&at, end, &bus, 2) || at == end ||
            *at++ != ':' || !ParseHex(&at, end, &device, 2) || at == end || *at++ != '.' ||
            !ParseHex(&at, end, &function, 1) || at != end)
            return;
        c->ok = c->machine->AddFunction(uint32_t(domain), uint32_t(bus), uint32_t(device), uint32_t(function)) && c->ok;
    };
    if (!m_files->List(kSysfsDevicesPath, visit, &context))
        return false;
    m_layout = Layout::kSysfs;
    return context.ok;
}

bool CLiveMachine::ListProcfs()
{
    auto* text = static_cast<uint8_t*>(SimAlloc(kProcfsListBytes));
    if (!text)
        return false;
    uint32_t length = 0;
    if (!m_files->Read(kProcfsDevicesPath, 0, text, kProcfsListBytes, &length)) {
        SimFree(text);
        return false;
    }
    m_layout = Layout::kProcfs;
    bool ok = true;
    const char* end = reinterpret_cast<const char*>(text) + length;
    for (const char* line = reinterpret_cast<const char*>(text); line < end && ok;) {
        const char* lineEnd = LineEnd(line, end);
        // Columns: bus and devfn, IDs, interrupt, seven bases with flags, seven sizes, driver.
        uint64_t columns[kProcfsSizeColumn + kSimBarSlots];
        uint32_t count = 0;
        const char* at = line;
        while (count < sizeof(columns) / sizeof(columns[0])) {
            SkipBlanks(&at, lineEnd);
            if (!ParseHex(&at, lineEnd, &columns[count]))
                break;
            ++count;
        }
        // Checked before narrowing: a wider column is no function, whatever its low half names.
        if (count >= 1 && columns[0] <= 0xFFFF) {
            const uint32_t busDevfn = uint32_t(columns[0]);
            ok = AddFunction(0, busDevfn >> 8, (busDevfn >> 3) & pci::kMaxDevice, busDevfn & pci::kMaxFunction);
            // The sizes wait in the columns until the configuration bytes are read.
            if (ok && count == kProcfsSizeColumn + kSimBarSlots) {
                for (uint32_t i = 0; i < m_functions.Count(); ++i) {
                    CLiveFunction* f = m_functions[i];
                    if (f->key != busDevfn)
                        continue;
                    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
                        const uint64_t base = columns[kProcfsBaseColumn + slot];
                        // The ROM's low bit is its enable flag, not the I/O space bit.
                        f->barIo[slot] = slot != kSimRomSlot && (base & pci::kBarIoFlag) != 0;
                        f->barStart[slot] = base & ~(f->barIo[slot] ? uint64_t(pci::kIoBarFlagsMask) : kProcfsFlagBits);
                        f->barSize[slot] = columns[kProcfsSizeColumn + slot];
                    }
                }
            }
        }
        line = lineEnd + 1;
    }
    SimFree(text);
    return ok;
}

void CLiveMachine::KeepSizeIfAssigned(CLiveFunction* f, uint32_t slot, uint64_t start, uint64_t size, bool io)
{
    // A range at another address than the register's (the fixed ports of legacy
    // IDE) or of an impossible size says nothing about the BAR.
    bool registerIo = false;
    const uint64_t base = AssignedBase(*f, slot, &registerIo);
    const bool keep =
        size && base == start && base != 0 && io == registerIo && IsPowerOfTwo(size) && !(start & (size - 1));
    f->barStart[slot] = start;
    f->barSize[slot] = keep ? size : 0;
    f->barIo[slot] = io;
}

void CLiveMachine::ReadSysfsResources(CLiveFunction* f)
{
    char path[kPathChars];
    SysfsPath(f->segment, f->key, "resource", path, sizeof(path));
    uint8_t text[kResourceTextBytes];
    uint32_t length = 0;
    if (!m_files->Read(path, 0, text, sizeof(text), &length))
        return;
    const char* end = reinterpret_cast<const char*>(text) + length;
    const char* line = reinterpret_cast<const char*>(text);
    // One line per slot: start, end and flags. A line that does not read so leaves its slot without a size.
    for (uint32_t slot = 0; slot < kSimBarSlots && line < end; ++slot) {
        const char* lineEnd = LineEnd(line, end);
        const char* at = line;
        uint64_t start, last, flags;
        bool parsed = ParseHex(&at, lineEnd, &start);
        SkipBlanks(&at, lineEnd);
        parsed = parsed && ParseHex(&at, lineEnd, &last);
        SkipBlanks(&at, lineEnd);
        parsed = parsed && ParseHex(&at, lineEnd, &flags);
        SkipBlanks(&at, lineEnd);
        if (parsed && at == lineEnd && last >= start && (start || last))
            KeepSizeIfAssigned(f, slot, start, last - start + 1, (flags & kLinuxResourceIo) != 0);
        line = lineEnd + 1;
    }
}

bool CLiveMachine::Start(char* message, uint32_t capacity)
{
    CSimText text(message, capacity);
    if (!ListSysfs() && !ListProcfs()) {
        text.Add("Linux lists no PCI functions here: neither /").Add(kSysfsDevicesPath).Add(" nor /");
        text.Add(kProcfsDevicesPath).Add(" can be read");
        return false;
    }
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        CLiveFunction* f = m_functions[i];
        char path[kPathChars];
        ConfigPath(f->segment, pci::RoutingIdBus(f->key), pci::RoutingIdDevice(f->key), pci::RoutingIdFunction(f->key),
                   path, sizeof(path));
        uint32_t length = 0;
        m_files->Read(path, 0, f->config, sizeof(f->config), &length);
        f->configLength = length & ~15u;
        if (m_layout == Layout::kSysfs) {
            ReadSysfsResources(f);
        } else {
            for (uint32_t slot = 0; slot < kSimBarSlots; ++slot)
                KeepSizeIfAssigned(f, slot, f->barStart[slot], f->barSize[slot], f->barIo[slot]);
        }
    }
    CSimText notes(m_notes, sizeof(m_notes));
    if (m_otherDomainCount) {
        notes.Add("PCI domain");
        notes.Add(m_otherDomainCount > 1 ? "s " : " ");
        for (uint32_t i = 0; i < m_otherDomainCount; ++i)
            notes.Add(i ? ", " : "").AddLowerHex(m_otherDomains[i], 4);
        notes.Add(" left out: requests name segments 0000..ffff only");
    }
    return BuildSnapshot(message, capacity);
}

bool CLiveMachine::WriteImage(CImageWriter* writer, const CImageRange (*ranges)[kSimBarSlots]) const
{
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        const CLiveFunction& f = *m_functions[i];
        // Too few bytes to hold a header (the file did not read): nothing to describe.
        if (f.configLength < pci::kDeviceSpecificOffset)
            continue;
        CImageFunction out = {};
        out.segment = f.segment;
        out.bus = pci::RoutingIdBus(f.key);
        out.device = pci::RoutingIdDevice(f.key);
        out.function = pci::RoutingIdFunction(f.key);
        out.config = f.config;
        out.configLength = f.configLength;
        for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
            out.barSize[slot] = f.barSize[slot];
            if (ranges)
                out.ranges[slot] = ranges[i][slot];
        }
        // The instance names the snapshot gave, once there is one.
        char instance[kSimNameSize];
        if (const CSimFunction* loaded = m_snapshot.FindFunction(f.segment, out.bus, out.device, out.function)) {
            loaded->FormatInstanceName(instance, sizeof(instance));
            out.instance = instance;
        }
        if (!writer->Function(out))
            return false;
    }
    return true;
}

bool CLiveMachine::BuildSnapshot(char* message, uint32_t capacity)
{
    CSimText text(message, capacity);
    CMemorySink sink;
    CImageWriter writer(&sink);
    // A function whose bytes cannot be read (or are too few to hold a header) has no record.
    uint32_t kept = 0;
    for (uint32_t i = 0; i < m_functions.Count(); ++i)
        kept += m_functions[i]->configLength >= pci::kDeviceSpecificOffset ? 1 : 0;
    if (kept == 0) {
        text.Add("Linux lists no readable PCI function");
        return false;
    }
    if (!writer.Comment("The machine as Linux listed it when the driver started.") || !WriteImage(&writer, nullptr)) {
        text.Add("out of memory for the machine's records");
        return false;
    }
    CSimError error = {};
    if (!m_snapshot.Load(sink.Text(), sink.Length(), kImageName, &error)) {
        text.Add(error.fileName).Add(":").AddDec(error.line).Add(": ").Add(error.message);
        return false;
    }
    return true;
}

uint32_t CLiveMachine::ReadConfigSpace(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function,
                                       uint8_t* buffer, uint32_t capacity)
{
    char path[kPathChars];
    ConfigPath(segment, bus, device, function, path, sizeof(path));
    uint32_t length = 0;
    if (!m_files->Read(path, 0, buffer, capacity, &length))
        return 0;
    return length;
}

uint32_t CLiveMachine::ReadConfigBytes(const CServedRequest& r, uint32_t offset, uint32_t size, uint8_t* out,
                                       bool* present)
{
    char path[kPathChars];
    ConfigPath(r.m_segment, r.m_bus, r.m_device, r.m_function, path, sizeof(path));
    uint32_t length = 0;
    *present = m_files->Read(path, offset, out, size, &length);
    if (!*present) {
        SimFill(out, kAbsentByte, size);
        return kSimStatusSuccess;
    }
    // Linux shows other users only the first 64 bytes; the rest is not data.
    return length == size ? kSimStatusSuccess : kSimStatusDeviceNotReady;
}

uint32_t CLiveMachine::ServeProbe(const CServedRequest& r)
{
    bool present;
    if (ReadConfigBytes(r, 0, kProbeOutSize, r.m_out, &present) != kSimStatusSuccess)
        pci::PutLe32(r.m_out, pci::kAbsentFunctionDword); // a function without its IDs cannot be shown
    *r.m_returned = kProbeOutSize;
    return kSimStatusSuccess;
}

uint32_t CLiveMachine::ServeReadSpace(const CServedRequest& r, bool whole)
{
    return whole ? ServeWholeSpace(r) : ServeConventionalSpace(r);
}

uint32_t CLiveMachine::ServeConventionalSpace(const CServedRequest& r)
{
    bool present;
    if (uint32_t status = ReadConfigBytes(r, 0, kConfigSpaceSize, r.m_out, &present))
        return status;
    *r.m_returned = kConfigSpaceSize;
    return kSimStatusSuccess;
}

// The whole space as Linux shows it: 4 KiB where it exposes the extended space, else 256
// bytes; the returned count says which. An absent function reads 256 bytes of all ones.
uint32_t CLiveMachine::ServeWholeSpace(const CServedRequest& r)
{
    const uint32_t length =
        ReadConfigSpace(r.m_segment, r.m_bus, r.m_device, r.m_function, r.m_out, pci::kExtendedConfigSpaceBytes);
    if (length == 0) {
        SimFill(r.m_out, kAbsentByte, kConfigSpaceSize);
        *r.m_returned = kConfigSpaceSize;
        return kSimStatusSuccess;
    }
    // Less than the conventional space is not data (another user sees only 64 bytes).
    if (length < kConfigSpaceSize)
        return kSimStatusDeviceNotReady;
    *r.m_returned = length >= pci::kExtendedConfigSpaceBytes ? pci::kExtendedConfigSpaceBytes : kConfigSpaceSize;
    return kSimStatusSuccess;
}

uint32_t CLiveMachine::ServeReadConfig(const CServedRequest& r)
{
    uint8_t bytes[pci::kDwordBytes] = {};
    bool present;
    if (uint32_t status = ReadConfigBytes(r, r.m_offset, r.m_size, bytes, &present))
        return status;
    pci::PutLe32(r.m_out, uint32_t(pci::GetLe(bytes, r.m_size)));
    *r.m_returned = kReadConfigOutSize;
    return kSimStatusSuccess;
}

uint32_t CLiveMachine::ServeWriteConfig(const CServedRequest& r)
{
    if (!m_writesAllowed)
        return kSimStatusWriteProtected;
    // The policy needs the space as it is now; a function Linux does not list is never written.
    const uint32_t length =
        ReadConfigSpace(r.m_segment, r.m_bus, r.m_device, r.m_function, m_policySpace, sizeof(m_policySpace));
    if (length < pci::kDeviceSpecificOffset)
        return kSimStatusDeviceNotReady;
    const uint32_t value = pci::GetLe32(r.m_in + kRegValueOffset);
    if (const char* refusal = LiveWriteRefusal(m_policySpace, length, r.m_offset, r.m_size, value)) {
        char line[kTraceChars];
        CSimText(line, sizeof(line)).Add("live write to ").AddHex(r.m_offset, 3).Add(" refused: ").Add(refusal);
        SimTrace(line);
        return refusal == kLiveRefusalUnreadable ? kSimStatusDeviceNotReady : kSimStatusAccessDenied;
    }
    uint8_t bytes[pci::kDwordBytes];
    pci::PutLe32(bytes, value);
    char path[kPathChars];
    ConfigPath(r.m_segment, r.m_bus, r.m_device, r.m_function, path, sizeof(path));
    return m_files->Write(path, r.m_offset, bytes, r.m_size) ? kSimStatusSuccess : kSimStatusIoDeviceError;
}

// Range writes stay refused even with writes on: the host's drivers own every range.
uint32_t CLiveMachine::ServeWriteDevice(const CServedRequest&)
{
    return m_writesAllowed ? kSimStatusAccessDenied : kSimStatusWriteProtected;
}

uint32_t CLiveMachine::ServeReadDevice(const CServedRequest& r)
{
    // Memory ranges are out of reach (no mapping a driver under Wine can make);
    // an I/O BAR's range reads through its sysfs resource file, one unit per read.
    if (r.m_space != kSpaceIo || m_layout != Layout::kSysfs)
        return kSimStatusNotSupported;
    const uint64_t address = r.m_address;
    const uint32_t bytes = r.m_bytes;
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        const CLiveFunction& f = *m_functions[i];
        for (uint32_t slot = 0; slot < kSimRomSlot; ++slot) {
            if (!f.barIo[slot] || !f.barSize[slot] || address < f.barStart[slot] ||
                uint64_t(address) + bytes > f.barStart[slot] + f.barSize[slot])
                continue;
            char path[kPathChars];
            SysfsPath(f.segment, f.key, "resource", path, sizeof(path)).AddDec(slot);
            // An I/O BAR sits below 4 GiB aligned to its size (KeepSizeIfAssigned), so the offset fits.
            const uint32_t offset = uint32_t(address - f.barStart[slot]);
            for (uint32_t done = 0; done < bytes; done += r.m_unit) {
                uint32_t read = 0;
                if (!m_files->Read(path, offset + done, r.m_out + done, r.m_unit, &read) || read != r.m_unit)
                    return kSimStatusNotSupported;
            }
            *r.m_returned = bytes;
            return kSimStatusSuccess;
        }
    }
    return kSimStatusNotSupported;
}
