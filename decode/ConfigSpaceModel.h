#pragma once
// The register rows of one function's configuration space in the current
// display mode, and the write-back of an edited value. The window page and
// the dump tool both list exactly these rows: a page derives from this class,
// shows the rows again after OnEndEdit, sounds WarningBeep, shows the texts ShowRefusal and
// ShowWriteStatus give in its status bar and asks ConfirmWrite's question.
#include "decode/ConfigDecoder.h"

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

class CPciFunction;
struct CRegisterDefinition;

// One row of the register list with the texts of its five columns.
struct CRegisterRow
{
    static constexpr int kColumnCount = 5;
    static constexpr int kValueColumn = 3;

    uint16_t offset = 0;
    uint16_t size = 0;
    uint32_t value = 0;
    std::string offsetText;
    std::string sizeText;
    std::string name;
    std::string valueText;
    std::string decoded;

    // Offset in the upper 16 bits, size in bytes in the lower 16; editing relies on it.
    uint32_t Tag() const { return (uint32_t(offset) << 16) | size; }
    const std::string& Column(int column) const;
};

class CConfigSpaceModel : public CConfigDecoder {
public:
    CConfigSpaceModel() = default;

    // Both store their argument and rebuild the rows.
    void SetFunction(CPciFunction* function);
    void SetHexMode(bool hexMode);

    CPciFunction* GetFunction() const { return m_function; }
    const std::vector<CRegisterRow>& GetRows() const { return m_rows; }

    // Clears the rows and lists the header of the function's layout, then 40h..FCh.
    void BuildRegisterList(const CPciFunction* function);

    // Writes the text typed into row item to the device, lists every row again from what the
    // function then holds and returns the text the edited cell shows; nothing when there is no
    // such row or no function. A text that is not a number of the register's width is refused:
    // nothing is written, the beep sounds and ShowRefusal says why. A change to bits the host
    // owns is written only when ConfirmWrite agrees. The beep sounds when the register reads
    // back other than the register catalogue predicts, and ShowWriteStatus says where.
    std::optional<std::string> OnEndEdit(int item, int subItem, const char* text);
    // The same for text typed while the other radix was shown.
    std::optional<std::string> OnEndEdit(int item, int subItem, const char* text, bool typedInHex);

protected:
    // Row sink: the base keeps the rows; a window page may mirror them into its list.
    virtual void ClearRegisterList();
    virtual void AddRegisterRow(uint16_t offset, uint16_t size, const std::string& name, uint32_t value,
                                const std::string& decoded);
    // Signals a read-back other than predicted or a refused text; the base does nothing.
    virtual void WarningBeep() {}
    // Tells why a typed text was not written; the base does nothing.
    virtual void ShowRefusal(const std::string& /*why*/) {}
    // Says how a written value read back; the base does nothing.
    virtual void ShowWriteStatus(const std::string& /*text*/) {}
    // Asks whether to write bits the host owns; the base writes them.
    virtual bool ConfirmWrite(const std::string& /*question*/) { return true; }

    void AddDeviceSpecificRows(const CPciFunction* function);
    void MarkUnreadRows(const CPciFunction* function);

private:
    std::string DecodeField(const CPciFunction* function, const CRegisterDefinition& definition,
                            bool* nextBarIsUpperHalf) const;
    std::string DecodeBarRow(const CPciFunction* function, uint32_t offset, bool* nextBarIsUpperHalf) const;

    CPciFunction* m_function = nullptr;
    std::vector<CRegisterRow> m_rows;
};
