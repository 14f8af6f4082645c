#include "sim/SimImageParser.h"
#include "sim/SimFunction.h"
#include "sim/SimHost.h"

#include "pci/ConfigSpace.h"

namespace {

constexpr uint32_t kHexLineBytes = 16;
constexpr uint32_t kMaxAnnotationBytes = 256;
constexpr uint32_t kMaxTextBytes = 1024;

const char kExpectedLine[] =
    "expected a function header \"BB:DD.F ...\" or \"DDDD:BB:DD.F ...\", a hex line \"XX: hh hh ...\", "
    "an annotation \"@...\" or a comment \"# ...\"";

} // namespace

CSimImageParser::CSimImageParser(const char* text, uint32_t length, const char* fileName, CSimError* error)
    : m_text(text),
      m_length(length),
      m_fileName(fileName ? fileName : "(image)"),
      m_error(error),
      m_line(0),
      m_functions(nullptr),
      m_budget(nullptr),
      m_current(nullptr),
      m_skipping(false),
      m_skippedDomains(),
      m_skippedCount(0),
      m_skippedMore(false),
      m_scratch(nullptr),
      m_notes(nullptr)
{
}

bool CSimImageParser::Fail(uint32_t line, const char* message, const char* detail)
{
    if (m_error) {
        SimStrCopy(m_error->fileName, sizeof(m_error->fileName), m_fileName);
        m_error->line = line;
        CSimText text(m_error->message, sizeof(m_error->message));
        text.Add(message);
        if (detail)
            text.Add(detail);
    }
    return false;
}

bool CSimImageParser::NeedFunction(const char* what)
{
    if (m_current || m_skipping)
        return true;
    char message[128];
    CSimText(message, sizeof(message)).Add(what).Add(" before any function header \"BB:DD.F ...\"");
    return Fail(m_line, message);
}

bool CSimImageParser::Parse(CSimArray<CSimFunction*>* functions, CSimPageBudget* budget, char* notes,
                            uint32_t notesCapacity)
{
    m_functions = functions;
    m_budget = budget;
    CSimText text(notes, notesCapacity);
    m_notes = &text;
    m_scratch = static_cast<uint8_t*>(SimAlloc(kMaxTextBytes));
    if (!m_scratch)
        return Fail(0, "out of memory while loading the image");
    bool ok = true;
    const char* p = m_text;
    const char* end = m_text + m_length;
    // Editors on Windows like to start text with a byte-order mark.
    if (m_length >= 3 && SimEqual(p, "\xEF\xBB\xBF", 3))
        p += 3;
    else if (m_length >= 2 && (SimEqual(p, "\xFF\xFE", 2) || SimEqual(p, "\xFE\xFF", 2)))
        ok = Fail(1, "expected ASCII or UTF-8 text; this image is UTF-16 (save it as ASCII or UTF-8)");
    while (ok && p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        const char* contentEnd = lineEnd;
        if (contentEnd > p && contentEnd[-1] == '\r')
            --contentEnd;
        ++m_line;
        ok = ParseLine(CSimCursor(p, contentEnd));
        p = lineEnd + 1;
    }
    if (ok)
        ok = FinishCurrent();
    if (ok && m_functions->Count() == 0)
        ok = m_skippedCount
            ? Fail(m_line,
                   "expected at least one function in PCI segments 0000..FFFF; the image has only other domains")
            : Fail(m_line, "expected at least one function header \"BB:DD.F ...\"; the image has none");
    if (ok)
        ok = CheckRanges() && CheckInstanceNames();
    m_ranges.Release();
    SimFree(m_scratch);
    m_scratch = nullptr;
    if (!ok) {
        for (uint32_t i = 0; i < m_functions->Count(); ++i)
            CSimFunction::Destroy((*m_functions)[i], m_budget);
        m_functions->Release();
        return false;
    }
    m_notes = nullptr;
    if (m_skippedCount) {
        if (text.Length())
            text.AddChar('\n');
        text.Add("left out PCI domain");
        text.Add(m_skippedCount > 1 || m_skippedMore ? "s " : " ");
        for (uint32_t i = 0; i < m_skippedCount; ++i)
            text.Add(i ? ", " : "").AddHex(m_skippedDomains[i], 4);
        text.Add(m_skippedMore ? " and more" : "").Add(" (requests name segments 0000..FFFF only)");
    }
    return true;
}

bool CSimImageParser::ParseLine(CSimCursor line)
{
    char first = line.Peek();
    if (line.AtEnd())
        return true;
    if (first == '#')
        return true;
    if (first == '@')
        return ParseAnnotation(line);
    if (first == ' ' || first == '\t')
        return ParseDetailLine(line);
    bool matched = false;
    bool ok = ParseHexLine(line, &matched);
    if (matched || !ok)
        return ok;
    ok = ParseHeader(line, &matched);
    if (matched || !ok)
        return ok;
    CSimCursor rest = line;
    rest.SkipSpaces();
    if (rest.AtEnd())
        return true;
    return Fail(m_line, kExpectedLine);
}

void CSimImageParser::NoteSkippedDomain(uint32_t domain)
{
    for (uint32_t i = 0; i < m_skippedCount; ++i)
        if (m_skippedDomains[i] == domain)
            return;
    if (m_skippedCount < sizeof(m_skippedDomains) / sizeof(m_skippedDomains[0]))
        m_skippedDomains[m_skippedCount++] = domain;
    else
        m_skippedMore = true;
}

bool CSimImageParser::ParseHeader(CSimCursor cursor, bool* isHeader)
{
    // "BB:DD.F text" or "DDDD:BB:DD.F text"; the text is lspci's description and is not needed.
    *isHeader = false;
    uint64_t first, bus, device, function, domain = 0;
    CSimCursor c = cursor;
    if (!c.Hex(2, 8, &first))
        return true;
    bool twoDigits = c.Position() - cursor.Position() == 2;
    if (!c.Literal(":"))
        return true;
    CSimCursor afterFirst = c;
    if (twoDigits && c.Hex(2, 2, &device) && c.Literal(".")) {
        bus = first;
    } else {
        c = afterFirst;
        domain = first;
        if (!c.Hex(2, 2, &bus) || !c.Literal(":") || !c.Hex(2, 2, &device) || !c.Literal("."))
            return true;
    }
    *isHeader = true;
    if (!c.Hex(1, 1, &function) || (!c.AtEnd() && c.Peek() != ' ' && c.Peek() != '\t'))
        return Fail(m_line, "expected a function number 0..7 after the device number in the header");
    if (bus > pci::kMaxBus)
        return Fail(m_line, "expected a bus number 00..FF in the header");
    if (device > pci::kMaxDevice)
        return Fail(m_line, "expected a device number 00..1F in the header");
    if (function > pci::kMaxFunction)
        return Fail(m_line, "expected a function number 0..7 after the device number in the header");
    if (!FinishCurrent())
        return false;
    if (domain > kMaxSegment) {
        NoteSkippedDomain(uint32_t(domain));
        m_skipping = true;
        return true;
    }
    m_skipping = false;
    return AddFunction(uint16_t(domain), uint32_t(bus), uint32_t(device), uint32_t(function));
}

bool CSimImageParser::AddFunction(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function)
{
    uint32_t key = FunctionKey(segment, pci::RoutingId(bus, device, function));
    uint32_t low = 0, high = m_functions->Count();
    while (low < high) {
        uint32_t mid = (low + high) / 2;
        if ((*m_functions)[mid]->Key() < key)
            low = mid + 1;
        else
            high = mid;
    }
    if (low < m_functions->Count() && (*m_functions)[low]->Key() == key) {
        char message[128];
        CSimText(message, sizeof(message))
            .Add("expected each function once; this one already appeared at line ")
            .AddDec((*m_functions)[low]->m_line);
        return Fail(m_line, message);
    }
    CSimFunction* f = CSimFunction::Create(segment, bus, device, function, m_line);
    if (!f || !m_functions->Insert(low, f)) {
        CSimFunction::Destroy(f, m_budget);
        return Fail(m_line, "out of memory while loading the image");
    }
    m_current = f;
    return true;
}

bool CSimImageParser::ParseHexLine(CSimCursor cursor, bool* isHexLine)
{
    // "XX: hh hh ..." as lspci -x/-xxx/-xxxx print it; offsets up to fff.
    *isHexLine = false;
    uint64_t offset;
    CSimCursor c = cursor;
    if (!c.Hex(1, 3, &offset) || !c.Literal(":") || !(c.AtEnd() || c.Peek() == ' ' || c.Peek() == '\t'))
        return true;
    *isHexLine = true;
    if (!NeedFunction("hex line"))
        return false;
    if (offset % kHexLineBytes)
        return Fail(m_line, "expected a hex line offset that is a multiple of 10h");
    uint8_t bytes[kHexLineBytes];
    uint32_t count = 0;
    if (!ParseByteList(c, bytes, kHexLineBytes, &count) || count == 0)
        return Fail(m_line, "expected 1 to 16 bytes of two hex digits after the offset");
    if (m_skipping)
        return true;
    // Bytes past 0FFh are kept whatever the function is; Finish decides whether they are served.
    for (uint32_t i = 0; i < count && offset + i < kSimExtendedConfigSize; ++i)
        m_current->m_config[offset + i] = bytes[i];
    return true;
}

bool CSimImageParser::ParseByteList(CSimCursor& cursor, uint8_t* bytes, uint32_t capacity, uint32_t* count)
{
    *count = 0;
    for (;;) {
        cursor.SkipSpaces();
        if (cursor.AtEnd())
            return true;
        uint64_t value;
        if (*count == capacity || !cursor.Hex(2, 2, &value))
            return false;
        if (!cursor.AtEnd() && cursor.Peek() != ' ' && cursor.Peek() != '\t')
            return false;
        bytes[(*count)++] = uint8_t(value);
    }
}

bool CSimImageParser::SetBarSize(uint32_t slot, uint64_t size, bool fromRegion)
{
    m_current->m_barSize[slot] = size;
    m_current->m_barSizeLine[slot] = m_line;
    m_current->m_barSizeFromRegion[slot] = fromRegion;
    return true;
}

bool CSimImageParser::ParseDetailLine(CSimCursor cursor)
{
    // lspci's decoded lines; only the Region and Expansion ROM sizes matter.
    cursor.SkipSpaces();
    bool rom = false;
    uint64_t slot = 0;
    if (cursor.Literal("Region ")) {
        if (!cursor.Decimal(&slot) || !cursor.Literal(":"))
            return true;
    } else if (cursor.Literal("Expansion ROM at ")) {
        rom = true;
    } else {
        return true;
    }
    if (!m_current || m_skipping)
        return true;
    if (!cursor.SkipPast("[size="))
        return true; // no size printed: the default rule applies
    uint64_t size;
    if (!cursor.Size(&size) || !cursor.Literal("]"))
        return Fail(m_line, "expected a size like \"[size=64K]\" in the line");
    if (rom)
        return SetBarSize(kSimRomSlot, size, true);
    if (slot >= kSimRomSlot)
        return Fail(m_line, "expected a region number 0..5");
    return SetBarSize(uint32_t(slot), size, true);
}

bool CSimImageParser::ExpectEnd(CSimCursor& cursor, const char* what)
{
    cursor.SkipSpaces();
    if (cursor.AtEnd())
        return true;
    return Fail(m_line, "expected the end of the line after ", what);
}

bool CSimImageParser::ParseAnnotation(CSimCursor cursor)
{
    cursor.Literal("@");
    if (cursor.Word("bar"))
        return NeedFunction("\"@bar\"") && ParseBarAnnotation(cursor, false);
    if (cursor.Word("rom"))
        return NeedFunction("\"@rom\"") && ParseBarAnnotation(cursor, true);
    if (cursor.Word("range"))
        return NeedFunction("\"@range\"") && ParseRangeAnnotation(cursor);
    if (cursor.Word("config"))
        return NeedFunction("\"@config\"") && ParseConfigAnnotation(cursor);
    if (cursor.Word("registry"))
        return NeedFunction("\"@registry\"") && ParseRegistryAnnotation(cursor);
    if (cursor.Word("all-functions")) {
        if (!NeedFunction("\"@all-functions\"") || !ExpectEnd(cursor, "\"@all-functions\""))
            return false;
        if (m_skipping)
            return true;
        if (m_current->m_function != 0)
            return Fail(m_line, "expected \"@all-functions\" only on function 0 of a device");
        m_current->m_answersAllFunctions = true;
        return true;
    }
    return Fail(m_line,
                "expected an annotation \"@bar\", \"@rom\", \"@range\", \"@config\", \"@registry\" or "
                "\"@all-functions\"");
}

bool CSimImageParser::ParseBarAnnotation(CSimCursor& cursor, bool rom)
{
    // "@bar N size SIZE" or "@rom size SIZE"
    uint64_t slot = kSimRomSlot;
    cursor.SkipSpaces();
    if (!rom && (!cursor.Decimal(&slot) || slot >= kSimRomSlot))
        return Fail(m_line, "expected a BAR number 0..5 after \"@bar\"");
    cursor.SkipSpaces();
    uint64_t size;
    if (!cursor.Word("size"))
        return Fail(m_line, "expected \"size\" and a size like 4K, 16M or 256");
    cursor.SkipSpaces();
    if (!cursor.Size(&size))
        return Fail(m_line, "expected a size like 4K, 16M or 256 after \"size\"");
    if (!ExpectEnd(cursor, "the size"))
        return false;
    return m_skipping || SetBarSize(uint32_t(slot), size, false);
}

bool CSimImageParser::ParseQuoted(CSimCursor& cursor, uint8_t* bytes, uint32_t capacity, uint32_t* count)
{
    *count = 0;
    cursor.SkipSpaces();
    if (!cursor.Literal("\""))
        return false;
    const char* p = cursor.Position();
    const char* end = cursor.End();
    while (p < end && *p != '"') {
        uint8_t value = uint8_t(*p++);
        if (value == '\\') {
            if (p == end)
                return false;
            char e = *p++;
            if (e == 'n')
                value = '\n';
            else if (e == 'r')
                value = '\r';
            else if (e == 't')
                value = '\t';
            else if (e == '0')
                value = 0;
            else if (e == '\\' || e == '"')
                value = uint8_t(e);
            else if (e == 'x') {
                uint64_t v;
                if (end - p < 2 || !CSimCursor(p, p + 2).Hex(2, 2, &v))
                    return false;
                value = uint8_t(v);
                p += 2;
            } else
                return false;
        }
        if (*count == capacity)
            return false;
        bytes[(*count)++] = value;
    }
    if (p == end)
        return false;
    cursor = CSimCursor(p + 1, end);
    return true;
}

bool CSimImageParser::ParseRangeAnnotation(CSimCursor& cursor)
{
    // "@range N|rom OFFSET bytes hh ...", "... text \"...\"", "... mask hh ..."
    uint64_t slot = 0;
    cursor.SkipSpaces();
    if (cursor.Word("rom"))
        slot = kSimRomSlot;
    else if (!cursor.Decimal(&slot) || slot >= kSimRomSlot)
        return Fail(m_line, "expected a BAR number 0..5 or \"rom\" after \"@range\"");
    cursor.SkipSpaces();
    uint32_t offset;
    if (!cursor.HexNumber(&offset))
        return Fail(m_line, "expected a hexadecimal offset within the BAR after the BAR number");
    cursor.SkipSpaces();
    uint8_t* bytes = m_scratch;
    uint32_t count = 0;
    bool mask = false;
    if (cursor.Word("bytes") || (mask = cursor.Word("mask"))) {
        if (!ParseByteList(cursor, bytes, kMaxAnnotationBytes, &count) || count == 0)
            return Fail(m_line, "expected 1 to 256 bytes of two hex digits");
    } else if (cursor.Word("text")) {
        if (!ParseQuoted(cursor, bytes, kMaxTextBytes, &count) || !ExpectEnd(cursor, "the quoted text"))
            return m_error && m_error->line == m_line ? false
                                                      : Fail(m_line,
                                                             "expected a quoted text of at most 1024 bytes "
                                                             "(escapes \\\\ \\\" \\n \\r \\t \\0 \\xHH)");
    } else {
        return Fail(m_line, "expected \"bytes\", \"text\" or \"mask\" after the offset");
    }
    if (m_skipping)
        return true;
    if (uint64_t(offset) + count > 0x100000000ull)
        return Fail(m_line, "expected the bytes to end within 4 GiB of the BAR's start");
    CSimRange& range = m_current->m_ranges[slot];
    bool stored = mask ? range.SetWritableMask(offset, bytes, count, m_budget)
                       : range.SetContents(offset, bytes, count, m_budget);
    if (!stored)
        return Fail(m_line, "out of memory for range contents (the image sets too many pages)");
    CRangeNote note = {m_current, uint32_t(slot), offset, count, m_line};
    if (!m_ranges.Add(note))
        return Fail(m_line, "out of memory while loading the image");
    return true;
}

bool CSimImageParser::ParseConfigAnnotation(CSimCursor& cursor)
{
    // "@config OFFSET mask hh ..." (writable bits) or "@config OFFSET w1c hh ..." (write-one-to-clear bits)
    cursor.SkipSpaces();
    uint32_t offset;
    if (!cursor.HexNumber(&offset) || offset >= kSimExtendedConfigSize)
        return Fail(m_line, "expected a hexadecimal register offset 000..FFF after \"@config\"");
    cursor.SkipSpaces();
    bool clear = false;
    if (!cursor.Word("mask") && !(clear = cursor.Word("w1c")))
        return Fail(m_line, "expected \"mask\" or \"w1c\" after the offset");
    uint8_t bytes[kSimConfigSize];
    uint32_t count = 0;
    if (!ParseByteList(cursor, bytes, kSimConfigSize, &count) || count == 0)
        return Fail(m_line, "expected 1 or more bytes of two hex digits");
    if (offset + count > kSimExtendedConfigSize)
        return Fail(m_line, "expected the masks to end at offset FFF or before");
    if (m_skipping)
        return true;
    for (uint32_t i = 0; i < count; ++i) {
        if (clear)
            m_current->m_clearOverride[offset + i] = bytes[i];
        else
            m_current->m_writeOverride[offset + i] = bytes[i];
        m_current->m_overridden[offset + i] |= clear ? 2 : 1;
    }
    return true;
}

bool CSimImageParser::ParseLocation(CSimCursor& cursor, uint32_t* bus, uint32_t* device, uint32_t* function)
{
    uint64_t b, d, f;
    cursor.SkipSpaces();
    if (!cursor.Hex(2, 2, &b) || !cursor.Literal(":") || !cursor.Hex(2, 2, &d) || !cursor.Literal(".") ||
        !cursor.Hex(1, 1, &f) || d > pci::kMaxDevice || f > pci::kMaxFunction)
        return false;
    *bus = uint32_t(b);
    *device = uint32_t(d);
    *function = uint32_t(f);
    return true;
}

bool CSimImageParser::ParseName(CSimCursor& cursor, char* name, uint32_t capacity)
{
    const char* text;
    uint32_t length;
    if (!cursor.Token(&text, &length) || length >= capacity)
        return false;
    for (uint32_t i = 0; i < length; ++i)
        if (text[i] == '\\' || uint8_t(text[i]) < 0x20 || uint8_t(text[i]) >= 0x7F)
            return false;
    CSimText(name, capacity).Add(text, length);
    return true;
}

bool CSimImageParser::ParseRegistryAnnotation(CSimCursor& cursor)
{
    // "@registry none|nocontrol|instance NAME|extra NAME [at BB:DD.F] [nocontrol]"
    cursor.SkipSpaces();
    CSimFunction* f = m_skipping ? nullptr : m_current;
    bool none = cursor.Word("none");
    if (none || cursor.Word("nocontrol")) {
        if (f)
            f->m_registryMode = none ? kSimRegistryNone : kSimRegistryNoControl;
        return ExpectEnd(cursor, none ? "\"none\"" : "\"nocontrol\"");
    }
    const char kBadName[] = "expected an instance name of 1 to 63 printable characters without \\";
    char name[kSimNameSize];
    if (cursor.Word("instance")) {
        if (!ParseName(cursor, name, kSimNameSize))
            return Fail(m_line, kBadName);
        if (!ExpectEnd(cursor, "the instance name"))
            return false;
        if (f) {
            SimStrCopy(f->m_instanceName, kSimNameSize, name);
            f->m_hasInstanceName = true;
        }
        return true;
    }
    if (!cursor.Word("extra"))
        return Fail(m_line,
                    "expected \"none\", \"nocontrol\", \"instance NAME\" or \"extra NAME [at BB:DD.F] [nocontrol]\"");
    CSimExtraInstance extra = {};
    if (!ParseName(cursor, extra.m_name, kSimNameSize))
        return Fail(m_line, kBadName);
    extra.m_hasControl = true;
    cursor.SkipSpaces();
    if (cursor.Word("at")) {
        uint32_t bus, device, function;
        if (!ParseLocation(cursor, &bus, &device, &function))
            return Fail(m_line, "expected a location \"BB:DD.F\" after \"at\"");
        extra.m_hasLocation = true;
        extra.m_bus = uint8_t(bus);
        extra.m_device = uint8_t(device);
        extra.m_function = uint8_t(function);
        cursor.SkipSpaces();
    }
    if (cursor.Word("nocontrol"))
        extra.m_hasControl = false;
    if (!ExpectEnd(cursor, "the extra instance"))
        return false;
    if (!f)
        return true;
    if (f->m_extraCount == kSimMaxExtraInstances)
        return Fail(m_line, "expected at most 4 extra instances per function");
    f->m_extras[f->m_extraCount++] = extra;
    return true;
}

bool CSimImageParser::FinishCurrent()
{
    if (!m_current)
        return true;
    CSimFunction* f = m_current;
    m_current = nullptr;
    char message[200];
    uint32_t line = f->m_line;
    if (!f->Finish(message, sizeof(message), &line, m_notes))
        return Fail(line, message);
    return true;
}

bool CSimImageParser::CheckRanges()
{
    for (uint32_t i = 0; i < m_ranges.Count(); ++i) {
        const CRangeNote& note = m_ranges[i];
        const CSimFunction* f = note.m_function;
        uint8_t kind = f->m_barKind[note.m_slot];
        if (kind == kSimBarNone || kind == kSimBarUpperHalf)
            return Fail(note.m_line,
                        "expected a BAR that the function implements (the BAR register is 0 or the "
                        "upper half of a 64-bit BAR)");
        if (uint64_t(note.m_offset) + note.m_length > f->m_barSize[note.m_slot]) {
            char message[160];
            CSimText(message, sizeof(message))
                .Add("expected the bytes to lie within the BAR's ")
                .AddDec(f->m_barSize[note.m_slot])
                .Add(" bytes");
            return Fail(note.m_line, message);
        }
    }
    return true;
}

bool CSimImageParser::CheckInstanceNames()
{
    // Two instances under one device key must not share a name, or one would hide the other.
    char keyA[96], keyB[96], nameA[kSimNameSize], nameB[kSimNameSize];
    uint32_t count = m_functions->Count();
    for (uint32_t i = 0; i < count; ++i) {
        const CSimFunction* a = (*m_functions)[i];
        if (a->m_registryMode == kSimRegistryNone)
            continue;
        a->FormatDeviceKey(keyA, sizeof(keyA));
        a->FormatInstanceName(nameA, sizeof(nameA));
        for (uint32_t e = 0; e < a->m_extraCount; ++e)
            if (SimStrEqual(a->m_extras[e].m_name, nameA))
                return Fail(a->m_line, "expected extra instance names that differ from the function's own instance ",
                            nameA);
        for (uint32_t j = i + 1; j < count; ++j) {
            const CSimFunction* b = (*m_functions)[j];
            if (b->m_registryMode == kSimRegistryNone)
                continue;
            if (!a->SameDeviceKey(*b))
                continue;
            b->FormatDeviceKey(keyB, sizeof(keyB));
            if (!SimStrEqual(keyA, keyB))
                continue;
            b->FormatInstanceName(nameB, sizeof(nameB));
            if (SimStrEqual(nameA, nameB))
                return Fail(b->m_line,
                            "expected a distinct instance name for this function; its device key already "
                            "has the instance ",
                            nameB);
        }
    }
    return true;
}
