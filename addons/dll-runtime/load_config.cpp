// The image's load configuration (_load_config_used, which the linker points
// the load configuration directory at) and Control Flow Guard's default check
// functions, for both Windows trees built with clang and lld: neither
// MinGW-w64 10's runtime nor the Microsoft-ABI tree's own supplies them.
//
// With /guard:cf the compiler routes every indirect call through
// __guard_dispatch_icall_fptr (target in RAX) and lld writes the table of
// valid call targets into __guard_fids_table, its length and the image's
// guard flags into the synthetic symbols named below. A system that enforces
// CFG replaces both function pointers with its own checks while it loads the
// image (it may: the pointers lie in read-only data of the image, .00cfg);
// anywhere else the defaults below let every call through. SecurityCookie
// names the stack cookie the loader initialises (security_cookie.cpp,
// stack_guard.cpp).
//
// Written in assembly because GuardFlags is a 32-bit field that takes the
// value of an absolute symbol, which no C++ initialiser can express. The
// layout is Windows' IMAGE_LOAD_CONFIG_DIRECTORY64 up to the EH continuation
// table (0x118 bytes). The .org lines hold the offsets the loader reads: a
// field list that runs past one does not assemble.

#if defined(_MSC_VER)
#define STACK_COOKIE "__security_cookie"
#else
#define STACK_COOKIE "__stack_chk_guard"
#endif

asm(R"(
    .text
    .p2align 4
__guard_check_icall_default:
    retq

    .p2align 4
__guard_dispatch_icall_default:
    jmpq    *%rax

    .section .00cfg,"dr"
    .globl  __guard_check_icall_fptr
    .globl  __guard_dispatch_icall_fptr
    .p2align 3
__guard_check_icall_fptr:
    .quad   __guard_check_icall_default
__guard_dispatch_icall_fptr:
    .quad   __guard_dispatch_icall_default

    .section .rdata,"dr"
    .globl  _load_config_used
    .p2align 3
_load_config_used:
    .long   0x118                       # Size
    .long   0                           # TimeDateStamp
    .short  0, 0                        # MajorVersion, MinorVersion
    .long   0, 0, 0                     # GlobalFlagsClear, GlobalFlagsSet, CriticalSectionDefaultTimeout
    .quad   0, 0                        # DeCommitFreeBlockThreshold, DeCommitTotalFreeThreshold
    .quad   0, 0, 0, 0                  # LockPrefixTable, MaximumAllocationSize, VirtualMemoryThreshold, ProcessAffinityMask
    .long   0                           # ProcessHeapFlags
    .short  0, 0                        # CSDVersion, DependentLoadFlags
    .quad   0                           # EditList
    .org    _load_config_used + 0x58
    .quad   )" STACK_COOKIE R"(          # SecurityCookie
    .quad   0, 0                        # SEHandlerTable, SEHandlerCount (x86 only)
    .quad   __guard_check_icall_fptr    # GuardCFCheckFunctionPointer
    .quad   __guard_dispatch_icall_fptr # GuardCFDispatchFunctionPointer
    .quad   __guard_fids_table          # GuardCFFunctionTable
    .quad   __guard_fids_count          # GuardCFFunctionCount
    .org    _load_config_used + 0x90
    .long   __guard_flags               # GuardFlags
    .short  0, 0                        # CodeIntegrity: Flags, Catalog
    .long   0, 0                        # CodeIntegrity: CatalogOffset, Reserved
    .quad   __guard_iat_table           # GuardAddressTakenIatEntryTable
    .quad   __guard_iat_count           # GuardAddressTakenIatEntryCount
    .quad   __guard_longjmp_table       # GuardLongJumpTargetTable
    .quad   __guard_longjmp_count       # GuardLongJumpTargetCount
    .quad   0, 0                        # DynamicValueRelocTable, CHPEMetadataPointer
    .quad   0, 0                        # GuardRFFailureRoutine, GuardRFFailureRoutineFunctionPointer
    .long   0                           # DynamicValueRelocTableOffset
    .short  0, 0                        # DynamicValueRelocTableSection, Reserved2
    .quad   0                           # GuardRFVerifyStackPointerFunctionPointer
    .long   0, 0                        # HotPatchTableOffset, Reserved3
    .quad   0, 0                        # EnclaveConfigurationPointer, VolatileMetadataPointer
    .quad   __guard_eh_cont_table       # GuardEHContinuationTable
    .quad   __guard_eh_cont_count       # GuardEHContinuationCount
    .org    _load_config_used + 0x118
)");
