// __chkstk: called by every function whose frame is larger than a page, with
// the frame size in RAX, before it moves RSP. It touches each page of the new
// frame from the top down, so the stack's guard page is met in order and the
// system can grow the stack. It may change only R10 and R11 and leaves RSP
// alone; the caller subtracts RAX itself.
asm(R"(
    .text
    .globl __chkstk
    .p2align 4
__chkstk:
    movq    %rax, %r10
    leaq    8(%rsp), %r11
    cmpq    $0x1000, %r10
    jb      2f
1:
    subq    $0x1000, %r11
    testq   %r11, (%r11)
    subq    $0x1000, %r10
    cmpq    $0x1000, %r10
    jae     1b
2:
    subq    %r10, %r11
    testq   %r11, (%r11)
    retq
)");
