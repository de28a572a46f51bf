// Wine's crtdbg.h with the report file of a release build, as the UCRT's has it.
#pragma once
#include_next <crtdbg.h>

typedef void* _HFILE;
#define _CRTDBG_FILE_STDERR ((_HFILE)-5)
#ifndef _DEBUG
#define _CrtSetReportFile(t, f) ((_HFILE)0)
#endif
