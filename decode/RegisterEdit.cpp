#include "decode/RegisterEdit.h"

#include "decode/TypedValue.h"
#include "decode/WriteEffect.h"
#include "device/PciFunction.h"

#include "pci/RegisterLocator.h"

std::string CRegisterEdit::Preview(const CPciFunction& function, uint32_t offset, uint32_t width, const char* text,
                                   bool typedInHex)
{
    const CTypedValue typed = CTypedValue::Parse(text != nullptr ? text : "", typedInHex, width);
    if (!typed.value)
        return typed.refusal;
    return CWriteEffect::Describe(function.GetSpace(), function.GetSpaceSize(), offset, width,
                                  function.GetSpaceValue(offset, width), *typed.value);
}

std::string CRegisterEdit::HostOwnedQuestion(const CPciFunction& function, uint32_t offset, uint32_t width,
                                             uint32_t value)
{
    const uint8_t* space = function.GetSpace();
    const uint32_t size = function.GetSpaceSize();
    if (offset >= size || width > size - offset)
        return {};
    const pci::CRegisterBits bits = pci::DescribeWindow(space, size, offset, width);
    const uint32_t owned = (function.GetSpaceValue(offset, width) ^ value) & bits.hostOwned & pci::RegisterMask(width);
    if (owned == 0 || CPciFunction::DescribeSource(function.m_hDriver).live)
        return {};
    return "The operating system owns " + CWriteEffect::NameBits(space, size, offset, width, owned) +
        " of this register. Write anyway?";
}

CRegisterEdit::COutcome CRegisterEdit::Commit(CPciFunction& function, uint32_t offset, uint32_t width, uint32_t value,
                                              const Confirm& confirm)
{
    COutcome outcome;
    if (confirm) {
        const std::string question = HostOwnedQuestion(function, offset, width, value);
        if (!question.empty() && !confirm(question)) {
            outcome.declined = true;
            return outcome;
        }
    }
    const CPciFunction::CWriteResult result = function.Write(offset, width, value, pci::RegisterMask(width));
    outcome.written = result.sent;
    outcome.readOk = result.readOk && !function.IsUnread(offset, width);
    outcome.readBack = result.readBack;
    outcome.agrees = result.sent && outcome.readOk && result.Differs() == 0;
    if (!result.sent || !outcome.readOk)
        return outcome;
    const uint8_t* space = function.GetSpace();
    const uint32_t size = function.GetSpaceSize();
    // A read-back as predicted but other than typed says why, so that a quiet edit is not a
    // puzzle: "bit 4 is read-only".
    outcome.status = outcome.agrees
        ? (result.readBack != result.written
               ? CWriteEffect::Describe(space, size, offset, width, result.before, result.written)
               : std::string())
        : CWriteEffect::DescribeDifference(space, size, offset, width, result.predicted, result.readBack);
    return outcome;
}
