// Wine's corecrt.h, which on Windows brings the Visual C++ runtime's macros too.
#pragma once
#include_next <corecrt.h>
#include <vcruntime.h>
