// The lower pane: the function selected in the bus tree, shown as tabbed pages.
#pragma once
#include "framework/FormView.h"

class CPciFunctionView : public CFormView {
    DECLARE_DYNCREATE(CPciFunctionView)
public:
    CPciFunctionView();
};
