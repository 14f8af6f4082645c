#pragma once
#include "framework/Framework.h"

// The test program's document: empty, so that saving and opening test only the framework.
class CTestDoc : public CDocument {
    DECLARE_DYNCREATE(CTestDoc)
};
