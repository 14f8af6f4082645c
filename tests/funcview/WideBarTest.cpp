// The BAR grid on a machine where two devices' ranges share their low 32 address bits
// (F0000000h and 1_F0000000h): each device shows its own bytes.
#include "tests/funcview/FunctionViewFixture.h"

#include <string>

namespace {

constexpr CFunctionAddress kLowDevice = {0, 4, 0};
constexpr CFunctionAddress kHighDevice = {0, 5, 0};

} // namespace

class WideBarGrid : public FunctionViewTest {
protected:
    // The ASCII column of row 0 of BAR 0, once the tab is open.
    std::string FirstRowText(const CFunctionAddress& address)
    {
        Select(ReadFunction(address.bus, address.device, address.function));
        if (!m_warned)
            Answer({IDYES});
        m_warned = true;
        ClickTab(1);
        Paint();
        CListCtrl& grid = BarList(0);
        return grid.GetItemText(0, grid.GetHeaderCtrl()->GetItemCount() - 1);
    }

    bool m_warned = false;
};

TEST_F(WideBarGrid, EachDeviceShowsItsOwnBytes)
{
    struct CCase
    {
        CFunctionAddress address;
        const char* text;
    };
    for (const CCase& c : {CCase{kLowDevice, "low device bytes"}, CCase{kHighDevice, "HIGH DEVICE BYTES"}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(std::string(c.text).substr(0, 16), FirstRowText(c.address));
    }
}
