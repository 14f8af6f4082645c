#pragma once
// Test fixture: a simulated machine loaded from an image text, the driver
// opened as the program opens it, and every request the driver received.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

struct CObservedRequest
{
    uint32_t code;
    std::vector<uint8_t> in;
    uint32_t outLength;
    bool ok;
};

class CDeviceFixture : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the served machine; fails the test when the image does not load.
    void LoadMachine(const std::string& text);
    void ClearRequests() { m_requests.clear(); }
    // Requests of one code, in the order the driver received them.
    std::vector<CObservedRequest> RequestsOf(uint32_t code) const;

    HANDLE m_driver = INVALID_HANDLE_VALUE;
    std::vector<CObservedRequest> m_requests;
};

// Field readers for observed request buffers.
uint32_t InU32(const CObservedRequest& request, uint32_t offset);
