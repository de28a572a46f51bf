// What the stand-in runtime's test program and its probe DLL share.
#pragma once
#include <stdexcept>

// Thrown in the DLL, caught in the program.
struct ProbeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The program exports this; the DLL's static objects and atexit functions report to it.
extern "C" using ProbeLog = void(*)(const char* event);
