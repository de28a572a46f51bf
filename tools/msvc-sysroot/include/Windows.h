// The SDK's spelling, for a case-sensitive disk.
#pragma once
#include <windows.h>
