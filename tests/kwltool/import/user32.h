/* user32 excerpt, written for kwltool's import test */
#ifndef _DEMO_WINUSER_H
#define _DEMO_WINUSER_H

#ifdef __cplusplus
extern "C" {
#endif

#define WM_CLOSE 0x0010
#define MAKEWPARAM(l, h) \
    ((WPARAM)MAKELONG(l, h))
#define WINUSERAPI __declspec(dllimport)

typedef LRESULT (CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    int (*hook)(int);
} MSG, *PMSG;

WINUSERAPI int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText,
                                  LPCSTR lpCaption, UINT uType);
WINUSERAPI BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
_Success_(return != 0) WINUSERAPI LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM);
// int Commented(void);
static HANDLE (WINAPI *pfnOpen)(LPCSTR);
extern int nGlobal;
int table[] = { 1, 2 };
static __inline int InlineHelper(int x) { return helper(x); }
DECLARE_HANDLE(HDEMO);

#ifdef __cplusplus
}
#endif
#endif
