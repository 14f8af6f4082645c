// Resources of the icon menu tests, besides Brisco's own (menus 128 to 130, toolbar 128).
#pragma once

#define IDR_TEST_MENU          200
#define ID_TEST_LONG           201
#define ID_TEST_PLAIN          202
#define ID_TEST_NOWHERE        203
