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
    function->SetConfigImage(image.Data());
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
