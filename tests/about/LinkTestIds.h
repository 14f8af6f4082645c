// Resource ids of the link label tests.
#pragma once

#define IDD_LINK_TEST 300
#define IDC_LINK_LEFT 1009
#define IDC_LINK_CENTER 1011
#define IDC_LINK_RIGHT 1012
#define IDC_LINK_MIDDLE 1013
