// The program's one application object; WinMain comes from the framework.
#include "app/BriscoApp.h"

CBriscoApp theApp;
