#include "driver/PnpRecords.h"
#include "driver/KernelKey.h"
#include "protocol/ResourceList.h"
#include "sim/SimMachine.h"

// The records are written as this kernel's own resource lists, in the layout of its bitness.
static_assert(kResPartialBytesOwn == sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR));
static_assert(kResListFirstPartialOffset ==
              FIELD_OFFSET(CM_RESOURCE_LIST, List[0].PartialResourceList.PartialDescriptors));
static_assert(kResPartialLengthOffset == FIELD_OFFSET(CM_PARTIAL_RESOURCE_DESCRIPTOR, u.Memory.Length));

namespace {

constexpr char kEnumPciPath[] = "\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr char kLocationValue[] = "LocationInformation";
constexpr char kControlKey[] = "Control";
constexpr char kAllocConfigValue[] = "AllocConfig";
constexpr ULONG kRegResourceList = 8;
// Device key, instance key and Control below it.
constexpr ULONG kRecordDepth = 3;

// Removes the marked children of key; unmarked ones are searched one level deeper.
NTSTATUS RemoveMarkedChildren(CKernelKey& key, ULONG levels)
{
    char name[kMaxKeyNameChars];
    ULONG index = 0;
    while (NT_SUCCESS(key.SubkeyName(index, name, sizeof(name)))) {
        CKernelKey child;
        NTSTATUS status = child.Open(&key, name);
        if (!NT_SUCCESS(status)) {
            ++index;
            continue;
        }
        if (child.HasValue(kPnpMarkerValue)) {
            status = child.DeleteTree(kRecordDepth);
            if (!NT_SUCCESS(status)) {
                return status;
            }
            continue; // the next child moved into this index
        }
        if (levels > 1) {
            status = RemoveMarkedChildren(child, levels - 1);
            if (!NT_SUCCESS(status)) {
                return status;
            }
        }
        ++index;
    }
    return STATUS_SUCCESS;
}

NTSTATUS CreateMarked(const CKernelKey& parent, const char* name, CKernelKey* key)
{
    bool created = false;
    NTSTATUS status = key->CreateVolatile(&parent, name, &created);
    if (NT_SUCCESS(status) && created) {
        status = key->SetDword(kPnpMarkerValue, 1);
    }
    return status;
}

NTSTATUS WriteRecord(const CKernelKey& enumPci, const CSimRegistryRecord& record)
{
    CKernelKey device;
    CKernelKey instance;
    NTSTATUS status = CreateMarked(enumPci, record.deviceKey, &device);
    if (NT_SUCCESS(status)) {
        status = CreateMarked(device, record.instance, &instance);
    }
    if (NT_SUCCESS(status) && record.hasLocation) {
        status = instance.SetString(kLocationValue, record.location);
    }
    if (NT_SUCCESS(status) && record.segment != 0) {
        status = instance.SetDword(kPnpSegmentValue, record.segment);
    }
    if (NT_SUCCESS(status) && record.hasControl) {
        CKernelKey control;
        status = CreateMarked(instance, kControlKey, &control);
        if (NT_SUCCESS(status)) {
            status =
                control.SetBinary(kAllocConfigValue, kRegResourceList, record.allocConfig, record.allocConfigLength);
        }
    }
    return status;
}

} // namespace

NTSTATUS CPnpRecords::RemoveOurs()
{
    CKernelKey enumPci;
    const NTSTATUS status = enumPci.Open(nullptr, kEnumPciPath);
    if (status == STATUS_OBJECT_NAME_NOT_FOUND) {
        return STATUS_SUCCESS;
    }
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return RemoveMarkedChildren(enumPci, 2);
}

NTSTATUS CPnpRecords::Write(const CMachineSource& machine)
{
    CKernelKey enumPci;
    bool created = false;
    NTSTATUS status = enumPci.CreateVolatile(nullptr, kEnumPciPath, &created);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const uint32_t count = machine.GetRegistryRecordCount();
    for (uint32_t i = 0; i < count && NT_SUCCESS(status); ++i) {
        CSimRegistryRecord record;
        if (machine.GetRegistryRecord(i, &record)) {
            status = WriteRecord(enumPci, record);
        }
    }
    return status;
}
