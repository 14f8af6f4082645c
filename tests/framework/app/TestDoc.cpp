#include "tests/framework/app/TestDoc.h"

IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
