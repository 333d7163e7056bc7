/* kernel32 excerpt, written for kwltool's import test */
#ifndef _DEMO_WINBASE_H
#define _DEMO_WINBASE_H
#define __INTRINSIC_GROUP_DEMO /* only the intrinsics of this file */
#define WINBASEAPI DECLSPEC_IMPORT
#define WINADVAPI WINBASEAPI

#ifndef __has_builtin
#define __has_builtin(x) 0
#endif

#define LMEM_FIXED 0x0000
#define InterlockedXor InterlockedXor_Inline
#define InterlockedCompareExchangePointer __InlineInterlockedCompareExchangePointer

typedef struct _COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    union {
        DWORD Total;
        struct { WORD Lo, Hi; } Parts;
    } DUMMYUNIONNAME;
} COMMTIMEOUTS, *LPCOMMTIMEOUTS;

typedef union _LARGE_DEMO {
    struct { DWORD LowPart; LONG HighPart; };
    LONGLONG QuadPart;
} LARGE_DEMO, FAR *PLARGE_DEMO;

typedef struct tagPOINT POINT, *PPOINT;
typedef struct _PROC_THREAD_ATTRIBUTE_LIST *LPPROC_THREAD_ATTRIBUTE_LIST;
struct _SECURITY_DEMO { DWORD nLength; };

__MINGW_TYPEDEF_AW(COMMTIMEOUTS)
typedef enum _GET_FILEEX_INFO_LEVELS {
    GetFileExInfoStandard,
    GetFileExMaxInfoLevel = 1
} GET_FILEEX_INFO_LEVELS;

enum { DEMO_FIRST = 1 << 0, DEMO_SECOND = (1 << 1) };

FORCEINLINE LONG InterlockedXor_Inline(LONG volatile *Target, LONG Set) { return Set; }
FORCEINLINE PVOID __cdecl __InlineInterlockedCompareExchangePointer(PVOID volatile *Destination, PVOID ExChange) {
    return ExChange;
}
__forceinline DWORD __DemoCurrentTick(void) { return 0; }
WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
WINBASEAPI struct _SECURITY_DEMO *WINAPI GetSecurityDemo(void);

#endif
