// The UCRT header the STL's sources take terminate() from; here, the stand-in sysroot's eh.h.
#pragma once
#include <eh.h>
