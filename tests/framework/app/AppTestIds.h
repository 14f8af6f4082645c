// Resource ids of the framework's document/view test program.
#pragma once
#include "framework/FrameworkIds.h"

#define IDR_TESTFRAME 128
#define IDR_TEST_CONTEXT 129
#define IDD_TEST_ABOUT 100
#define IDD_TEST_FORM 101
#define IDC_TEST_LINK 1009
#define IDC_TEST_EDIT 1001
#define IDC_TEST_LIST 1002
#define ID_TEST_REFRESH 32790
#define ID_TEST_CONTEXT_FIRST 32791
#define ID_TEST_CONTEXT_SECOND 32792
#define TEST_RT_TOOLBAR 241
