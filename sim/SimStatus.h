#pragma once
// Completion codes of the simulated device, as NTSTATUS values.
#include <stdint.h>

constexpr uint32_t kSimStatusSuccess = 0x00000000u;
constexpr uint32_t kSimStatusInvalidParameter = 0xC000000Du;     // STATUS_INVALID_PARAMETER
constexpr uint32_t kSimStatusInvalidDeviceRequest = 0xC0000010u; // STATUS_INVALID_DEVICE_REQUEST
constexpr uint32_t kSimStatusBufferTooSmall = 0xC0000023u;       // STATUS_BUFFER_TOO_SMALL
constexpr uint32_t kSimStatusInsufficientResources = 0xC000009Au; // STATUS_INSUFFICIENT_RESOURCES
constexpr uint32_t kSimStatusIoDeviceError = 0xC0000185u;        // STATUS_IO_DEVICE_ERROR (injected faults)
constexpr uint32_t kSimStatusAccessDenied = 0xC0000022u;         // STATUS_ACCESS_DENIED (a write the host owns)
constexpr uint32_t kSimStatusWriteProtected = 0xC00000A2u;       // STATUS_MEDIA_WRITE_PROTECTED (writes are off)
constexpr uint32_t kSimStatusDeviceNotReady = 0xC00000A3u;       // STATUS_DEVICE_NOT_READY (bytes not readable)
constexpr uint32_t kSimStatusNotSupported = 0xC00000BBu;         // STATUS_NOT_SUPPORTED (ranges out of reach)
