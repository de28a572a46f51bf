// Visual Studio's header that names the C++ import library to link; the
// MSVC-ABI build names its libraries itself.
#pragma once
