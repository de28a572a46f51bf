// Where the CRT ends a process on an invalid parameter; Wine 8's ucrtbase only
// stubs it. No CRT header here: they declare it as an import.
extern "C" __declspec(noreturn) void __cdecl _invoke_watson(const wchar_t*, const wchar_t*, const wchar_t*, unsigned,
                                                            unsigned long long) {
    constexpr unsigned invalidArgument = 5;
    __fastfail(invalidArgument);
}
