#include "driver/BriscoDevice.h"
#include "machines/DefaultMachine.h"
#include "driver/ImageFile.h"
#include "driver/KernelFiles.h"
#include "driver/KernelKey.h"
#include "driver/PnpRecords.h"
#include "live/LiveMachine.h"
#include "sim/SimHost.h"
#include "sim/SimMachine.h"
#include "sim/SimStatus.h"
#include "protocol/DriverProtocol.h"

namespace {

// Requests whose input fits here are copied on the stack, larger ones to pool.
constexpr ULONG kStackInputBytes = 64;
// The largest input any request can legitimately carry.
constexpr ULONG kMaxInputBytes = kSimMaxTransferBytes + kWriteDeviceOverhead;
constexpr ULONG kMessageChars = 480;
constexpr char kDefaultImageName[] = "default machine";

// The ASCII form of a wide path, for messages and the parser's file name.
void NarrowPath(const WCHAR* path, char* buffer, ULONG capacity)
{
    ULONG i = 0;
    for (; path[i] && i + 1 < capacity; ++i) {
        buffer[i] = path[i] < 0x80 ? static_cast<char>(path[i]) : '?';
    }
    buffer[i] = '\0';
}

// True when the REG_SZ value holds exactly text.
bool ValueIs(CKernelKey& key, const char* name, const char* text)
{
    WCHAR value[16];
    if (!key.IsOpen() || !NT_SUCCESS(key.QueryString(name, value, 16))) {
        return false;
    }
    ULONG i = 0;
    for (; text[i] && value[i] == static_cast<unsigned char>(text[i]); ++i) {
    }
    return text[i] == 0 && value[i] == 0;
}

void FormatParseError(const CSimError& error, CSimText* text)
{
    text->Add(error.fileName);
    if (error.line) {
        text->Add(":").AddDec(error.line);
    }
    text->Add(": ").Add(error.message);
}

} // namespace

CBriscoDevice::CBriscoDevice()
{
    KeInitializeMutex(&m_lock, 0);
}

CBriscoDevice::~CBriscoDevice()
{
    Stop();
}

NTSTATUS CBriscoDevice::Start(PCUNICODE_STRING serviceKeyPath)
{
    CKernelKey service;
    CKernelKey parameters;
    if (NT_SUCCESS(service.Open(nullptr, serviceKeyPath, KEY_READ))) {
        parameters.Open(&service, kParametersKey);
    }
    if (parameters.IsOpen()) {
        parameters.DeleteValue(kLastErrorValue);
        parameters.DeleteValue(kLoadNotesValue);
    }
    char message[kMessageChars];
    NTSTATUS status = LoadMachine(parameters, message, sizeof(message));
    if (NT_SUCCESS(status)) {
        CPnpRecords::RemoveOurs();
        status = CPnpRecords::Write(*m_source);
        if (!NT_SUCCESS(status)) {
            CSimText text(message, sizeof(message));
            text.Add("cannot write the plug-and-play records (status 0x")
                .AddHex(static_cast<ULONG>(status), 8)
                .Add(")");
            CPnpRecords::RemoveOurs();
        }
    }
    if (!NT_SUCCESS(status)) {
        Report(parameters, message);
        Stop();
        return status;
    }
    const char* notes = m_source->GetLoadNotes();
    if (notes && notes[0]) {
        DbgPrint("briscodrv: %s\n", notes);
        if (parameters.IsOpen()) {
            parameters.SetString(kLoadNotesValue, notes);
        }
    }
    return STATUS_SUCCESS;
}

NTSTATUS CBriscoDevice::LoadMachine(CKernelKey& parameters, char* message, ULONG capacity)
{
    if (ValueIs(parameters, kMachineSourceValue, kLiveSourceName)) {
        return StartLive(parameters, message, capacity);
    }
    CSimText text(message, capacity);
    void* place = SimAlloc(sizeof(CSimMachine));
    if (!place) {
        text.Add("out of memory for the machine");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    auto* machine = new (place) CSimMachine();
    m_source = machine;

    WCHAR path[kMaxImagePathChars];
    const bool named = parameters.IsOpen() &&
        NT_SUCCESS(parameters.QueryString(kMachineImageValue, path, kMaxImagePathChars)) && path[0] != 0;
    CSimError error;
    if (!named) {
        if (machine->Load(kDefaultMachineImage, kDefaultMachineImageSize, kDefaultImageName, &error)) {
            return STATUS_SUCCESS;
        }
        FormatParseError(error, &text);
        return STATUS_DATA_ERROR;
    }
    char fileName[kMaxImagePathChars];
    NarrowPath(path, fileName, sizeof(fileName));
    CImageFile image;
    const NTSTATUS status = image.Read(path);
    if (!NT_SUCCESS(status)) {
        text.Add(fileName).Add(": cannot read the machine image (status 0x");
        text.AddHex(static_cast<ULONG>(status), 8).Add(")");
        return status;
    }
    if (!machine->Load(image.Text(), image.Length(), fileName, &error)) {
        FormatParseError(error, &text);
        return STATUS_DATA_ERROR;
    }
    return STATUS_SUCCESS;
}

NTSTATUS CBriscoDevice::StartLive(CKernelKey& parameters, char* message, ULONG capacity)
{
    CSimText text(message, capacity);
    void* filesPlace = SimAlloc(sizeof(CKernelFiles));
    void* machinePlace = filesPlace ? SimAlloc(sizeof(CLiveMachine)) : nullptr;
    if (!machinePlace) {
        SimFree(filesPlace);
        text.Add("out of memory for the live machine");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    m_files = new (filesPlace) CKernelFiles();
    WCHAR root[kMaxLiveRootChars];
    if (!NT_SUCCESS(parameters.QueryString(kLiveRootValue, root, kMaxLiveRootChars)) || root[0] == 0) {
        root[0] = L'/';
        root[1] = 0;
    }
    if (!m_files->SetRoot(root)) {
        text.Add("the live machine's root folder is too long");
        return STATUS_NAME_TOO_LONG;
    }
    auto* machine = new (machinePlace) CLiveMachine(m_files, ValueIs(parameters, kLiveWritesValue, "1"));
    m_source = machine;
    return machine->Start(message, capacity) ? STATUS_SUCCESS : STATUS_NOT_FOUND;
}

void CBriscoDevice::Report(CKernelKey& parameters, const char* message)
{
    DbgPrint("briscodrv: %s\n", message);
    if (parameters.IsOpen()) {
        parameters.SetString(kLastErrorValue, message);
    }
}

void CBriscoDevice::Stop()
{
    if (m_source) {
        CPnpRecords::RemoveOurs();
        m_source->~CMachineSource();
        SimFree(m_source);
        m_source = nullptr;
    }
    if (m_files) {
        m_files->~CKernelFiles();
        SimFree(m_files);
        m_files = nullptr;
    }
}

NTSTATUS CBriscoDevice::Control(ULONG code, void* buffer, ULONG inLength, ULONG outLength, ULONG_PTR* information)
{
    *information = 0;
    // Only buffered requests have their data in the system buffer.
    if ((code & 3) != kMethodBuffered) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    if (inLength > kMaxInputBytes) {
        return STATUS_INVALID_PARAMETER;
    }
    // Input and output share the system buffer; the machine needs them apart.
    uint8_t stackInput[kStackInputBytes];
    uint8_t* input = stackInput;
    if (inLength > kStackInputBytes) {
        input = static_cast<uint8_t*>(ExAllocatePoolWithTag(NonPagedPool, inLength, kPoolTag));
        if (!input) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    if (inLength) {
        RtlCopyMemory(input, buffer, inLength);
    }
    uint32_t returned = 0;
    KeWaitForSingleObject(&m_lock, Executive, KernelMode, FALSE, nullptr);
    const NTSTATUS status = static_cast<NTSTATUS>(m_source->Dispatch(
        code, inLength ? input : nullptr, inLength, static_cast<uint8_t*>(buffer), outLength, &returned));
    KeReleaseMutex(&m_lock, FALSE);
    if (input != stackInput) {
        ExFreePoolWithTag(input, kPoolTag);
    }
    if (NT_SUCCESS(status)) {
        *information = returned;
    }
    return status;
}
