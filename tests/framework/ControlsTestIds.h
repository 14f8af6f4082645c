// Resource ids of the framework's control and dialog tests.
#pragma once

#define IDB_TEST_BUTTONS 200
#define IDB_TEST_TRUECOLOR 201
#define IDD_TEST_CLASSIC 300
#define IDD_TEST_EXTENDED 301
#define IDC_TEST_NAME 310
#define IDC_TEST_MISSING 311
#define IDS_TEST_INDICATOR 61000
#define IDS_TEST_FIELDS 61001
