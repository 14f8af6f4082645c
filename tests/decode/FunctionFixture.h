#pragma once
// A CPciFunction whose configuration image a test sets directly, with no device behind it.
#include "tests/decode/ConfigImage.h"

#include "device/PciFunction.h"

#include "decode/ConfigSpaceModel.h"
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>

inline std::unique_ptr<CPciFunction> MakeFunction(const CConfigImage& image)
{
    auto function = std::make_unique<CPciFunction>(INVALID_HANDLE_VALUE, 0, 0, 0);
    memcpy(function->m_config, image.Data(), sizeof function->m_config);
    memcpy(function->m_shadow, image.Data(), sizeof function->m_shadow);
    // Construction looked names up for the unreadable image; the test's image has none.
    function->m_vendorName.clear();
    function->m_deviceName.clear();
    function->m_subsystemVendorName.clear();
    return function;
}

// The row at a configuration offset; fails the test when there is none.
inline const CRegisterRow* FindRow(const CConfigSpaceModel& model, uint32_t offset)
{
    for (const CRegisterRow& row : model.GetRows()) {
        if (row.offset == offset)
            return &row;
    }
    ADD_FAILURE() << "no row at offset " << std::hex << offset;
    static const CRegisterRow kMissing;
    return &kMissing;
}

inline std::string DecodedAt(const CConfigSpaceModel& model, uint32_t offset)
{
    return FindRow(model, offset)->decoded;
}
