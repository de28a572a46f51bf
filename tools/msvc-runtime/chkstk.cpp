// __chkstk touches each page of a frame larger than one page, top down, so
// that the guard page below the stack grows it in order. Microsoft's x64
// kernel32 does not export it (Wine's does), so it must be linked in.
// Called with the frame size in rax; it must keep every other register.
__asm__(".globl __chkstk\n"
        "__chkstk:\n"
        "  push rcx\n"
        "  push rax\n"
        "  lea rcx, [rsp + 24]\n" // the caller's stack pointer
        "chkstk_probe:\n"
        "  cmp rax, 0x1000\n"
        "  jb chkstk_last\n"
        "  sub rcx, 0x1000\n"
        "  or qword ptr [rcx], 0\n"
        "  sub rax, 0x1000\n"
        "  jmp chkstk_probe\n"
        "chkstk_last:\n"
        "  sub rcx, rax\n"
        "  or qword ptr [rcx], 0\n"
        "  pop rax\n"
        "  pop rcx\n"
        "  ret\n");
