#include "views/PciFunctionView.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CPciFunctionView, CFormView)

CPciFunctionView::CPciFunctionView() : CFormView(IDD_FUNCTION_VIEW)
{
}
