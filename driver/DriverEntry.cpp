// The I/O manager side of briscodrv.sys: creates \Device\briscodrv and its
// link \DosDevices\briscodrvDevice, completes create and close, and hands every
// device-control request to the CBriscoDevice in the device extension.
#include "driver/BriscoDevice.h"
#include "protocol/DriverProtocol.h"

namespace {

constexpr WCHAR kDeviceName[] = L"\\Device\\briscodrv";
constexpr WCHAR kLinkName[] = L"\\DosDevices\\briscodrvDevice";

CBriscoDevice* DeviceState(PDEVICE_OBJECT device)
{
    return static_cast<CBriscoDevice*>(device->DeviceExtension);
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS NTAPI OnCreateClose(PDEVICE_OBJECT, PIRP irp)
{
    return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI OnDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const auto& request = stack->Parameters.DeviceIoControl;
    ULONG_PTR information = 0;
    const NTSTATUS status =
        DeviceState(device)->Control(request.IoControlCode, irp->AssociatedIrp.SystemBuffer, request.InputBufferLength,
                                     request.OutputBufferLength, &information);
    return Complete(irp, status, information);
}

void DeleteDevice(PDEVICE_OBJECT device)
{
    DeviceState(device)->~CBriscoDevice();
    IoDeleteDevice(device);
}

void NTAPI OnUnload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, kLinkName);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject) {
        DeleteDevice(driver->DeviceObject);
    }
}

} // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING deviceName;
    UNICODE_STRING link;
    RtlInitUnicodeString(&deviceName, kDeviceName);
    RtlInitUnicodeString(&link, kLinkName);

    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, sizeof(CBriscoDevice), &deviceName, kDriverDeviceType, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        DbgPrint("briscodrv: cannot create the device (status 0x%08lx)\n", status);
        return status;
    }
    CBriscoDevice* state = new (device->DeviceExtension) CBriscoDevice();
    // The machine comes first: a bad image leaves no device behind.
    status = state->Start(registryPath);
    if (NT_SUCCESS(status)) {
        status = IoCreateSymbolicLink(&link, &deviceName);
        if (!NT_SUCCESS(status)) {
            DbgPrint("briscodrv: cannot create the device link (status 0x%08lx)\n", status);
        }
    }
    if (!NT_SUCCESS(status)) {
        DeleteDevice(device);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = OnCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = OnCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = OnDeviceControl;
    driver->DriverUnload = OnUnload;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
