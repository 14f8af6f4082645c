#pragma once
// Test controls of the native Win32 stand-in: which machine the device serves,
// a view of every request, and direct access to the registry tree.
#include <stdint.h>
#include <functional>
#include <string>
#include <vector>
#include "compat/windows.h"

class CSimMachine;

// Replaces the served machine and the registry records built from it. On
// failure sets *error to "file:line: message" and changes nothing.
bool CompatLoadMachine(const std::string& text, const std::string& fileName, std::string* error);
// Serves the embedded default machine again (the state before any call).
void CompatUseDefaultMachine();
// Called after every device-control request with its input bytes and outcome.
using CompatRequestObserver =
    std::function<void(uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool ok)>;
void CompatSetRequestObserver(CompatRequestObserver observer);
// Sees each device-control request before the machine: returning true completes it with the
// NTSTATUS in *status instead (a refusing driver); none: the machine serves every request.
using CompatRequestFilter = std::function<bool(uint32_t code, uint32_t* status)>;
void CompatSetRequestFilter(CompatRequestFilter filter);
// Receives each OutputDebugStringA text; none: the texts are dropped.
void CompatSetDebugOutputObserver(std::function<void(const std::string& text)> observer);
CSimMachine& CompatMachine();

// Registry edits for tests; path is relative to the root key, with backslashes.
void CompatSetRegistryValue(HKEY root, const std::string& path, const std::string& name, uint32_t type,
                            const std::vector<uint8_t>& data);
void CompatSetRegistryString(HKEY root, const std::string& path, const std::string& name, const std::string& text);
void CompatDeleteRegistryKey(HKEY root, const std::string& path);
// Number of device and registry handles currently open (for leak checks).
uint32_t CompatOpenHandleCount();
