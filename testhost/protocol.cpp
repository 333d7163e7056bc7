// The host protocol: the records, loading the add-in, InstallDll with all
// three registers seen, passing the hooked messages, the assembler in force.
#include "testhost/host.h"

bool LoadAddin(Host& host)
{
    host.Addin = LoadLibraryA(host.Config.DllPath.c_str());
    if (host.Addin == nullptr) {
        char line[64];
        wsprintfA(line, "load: failed, error %lu: ", GetLastError());
        Print(host, line + AnsiToUtf8(host.Config.DllPath));
        return false;
    }
    host.InstallEntry = reinterpret_cast<void*>(GetProcAddress(host.Addin, "InstallDll"));
    host.Proc = reinterpret_cast<DllProcFn>(reinterpret_cast<void*>(GetProcAddress(host.Addin, "DllProc")));
    host.Options = reinterpret_cast<GetOptionsFn>(reinterpret_cast<void*>(GetProcAddress(host.Addin, "GetOptions")));
    bool entry = GetProcAddress(host.Addin, "DllEntry") != nullptr;
    char line[128];
    wsprintfA(line, "load: InstallDll=%s DllProc=%s GetOptions=%s DllEntry=%s", host.InstallEntry ? "yes" : "no",
              host.Proc ? "yes" : "no", host.Options ? "yes" : "no", entry ? "yes" : "no");
    Print(host, line);
    return host.InstallEntry != nullptr && host.Proc != nullptr && host.Options != nullptr;
}

HookMask CallInstallDll(void* entry, HWND mainWindow, uint32_t options)
{
    uint32_t eax, ecx, edx;
    // ECX and EDX hold a marker going in, so that a callee leaving them
    // alone is seen as well as one leaving garbage there.
#ifndef _WIN64
    asm volatile("pushl %[options]\n\t"
                 "pushl %[window]\n\t"
                 "movl $0x5A5A5A5A, %%ecx\n\t"
                 "movl $0x5A5A5A5A, %%edx\n\t"
                 "call *%[entry]\n\t"
                 : "=&a"(eax), "=&c"(ecx), "=&d"(edx)
                 : [entry] "r"(entry), [window] "r"(mainWindow), [options] "r"(options)
                 : "memory", "cc");
#else
    // The 64-bit test build passes the arguments in RCX and RDX, so their
    // marker is the arguments themselves, which a callee that clears them
    // does not leave behind.
    uint64_t a, c = reinterpret_cast<uint64_t>(mainWindow), d = options;
    // The compiler promises no alignment inside the statement: the callee's
    // aligned moves want 16 bytes at the call, so the stub aligns for itself.
    asm volatile("movq %%rsp, %%rbx\n\t"
                 "andq $-16, %%rsp\n\t"
                 "subq $32, %%rsp\n\t"
                 "call *%[entry]\n\t"
                 "movq %%rbx, %%rsp\n\t"
                 : "=a"(a), "+c"(c), "+d"(d)
                 : [entry] "r"(entry)
                 : "rbx", "r8", "r9", "r10", "r11", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "memory", "cc");
    eax = static_cast<uint32_t>(a);
    ecx = static_cast<uint32_t>(c);
    edx = static_cast<uint32_t>(d);
#endif
    return HookMask{eax, ecx, edx};
}

bool InstallAddin(Host& host)
{
    const OptionRow* rows = host.Options();
    for (int i = 0; i < 16; ++i) {
        char line[64];
        wsprintfA(line, "option: %u %u ", rows[i].Mask, rows[i].Value);
        if (rows[i].Text == nullptr) {
            Print(host, line + std::string("end"));
            break;
        }
        Print(host, line + AnsiToUtf8(rows[i].Text));
    }
    host.Asked.clear();
    host.Mask = CallInstallDll(host.InstallEntry, host.Main, host.Config.Options);
    host.Installed = true;
    std::string asked;
    for (UINT m : host.Asked)
        asked += (asked.empty() ? "" : ",") + std::to_string(m);
    std::string item;
    bool hasItem = host.Config.MenuId != 0 && FindAddinItem(host, host.Config.MenuId, &item);
    char line[160];
    wsprintfA(line, "install: options=0x%x asked=%s mask=0x%x,0x%x,0x%x menuitem=", host.Config.Options,
              asked.empty() ? "none" : asked.c_str(), host.Mask.Messages, host.Mask.Second, host.Mask.Third);
    Print(host, line + (hasItem ? "\"" + AnsiToUtf8(item) + "\"" : std::string("none")));
    DrawMenuBar(host.Main);
    return true;
}

uint32_t PassToAddin(Host& host, UINT message, WPARAM wParam, LPARAM lParam, bool force)
{
    if (!host.Installed || host.Proc == nullptr)
        return 0;
    uint32_t bit = message == WM_COMMAND  ? HookCommand
                   : message == WM_CLOSE  ? HookClose
                   : message == HM_RELOAD ? HookReload
                                          : 0;
    if (!force && (host.Mask.Messages & bit) == 0)
        return 0;
    return host.Proc(host.Main, message, wParam, lParam);
}

std::vector<std::string> AssemblerNames(const Host& host)
{
    char list[512] = "";
    GetPrivateProfileStringA("Assembler", "Assembler", "", list, sizeof list, host.Config.HostIni.c_str());
    std::vector<std::string> names;
    std::string name;
    for (const char* p = list;; ++p) {
        if (*p == ',' || *p == 0) {
            if (!name.empty())
                names.push_back(name);
            name.clear();
            if (*p == 0)
                break;
        } else {
            name += *p;
        }
    }
    return names;
}

void SelectAssembler(Host& host, const std::string& name)
{
    host.Config.Assembler = name;
    host.AssemblerIni = name.empty() ? std::string() : host.Config.AppDir + "\\" + name + ".ini";
    host.Data.AssemblerIniPath = name.empty() ? nullptr : host.AssemblerIni.c_str();
    // The Tools menu marks the assembler in force ("none" when there is none).
    std::vector<std::string> names = AssemblerNames(host);
    UINT chosen = name.empty() ? static_cast<UINT>(CmdSelectAssembler) : 0u;
    for (size_t n = 0; n < names.size() && n < MaxAssemblers; ++n) {
        if (lstrcmpiA(names[n].c_str(), name.c_str()) == 0)
            chosen = CmdSelectAssembler + 1 + static_cast<UINT>(n);
    }
    HMENU tools = GetSubMenu(host.Menu, ToolsMenuPosition);
    for (UINT id = CmdSelectAssembler; id <= CmdSelectAssembler + MaxAssemblers; ++id)
        CheckMenuItem(tools, id, MF_BYCOMMAND | (id == chosen ? MF_CHECKED : MF_UNCHECKED));
}

bool FindAddinItem(Host& host, uint32_t id, std::string* text)
{
    HMENU sub = GetSubMenu(host.Menu, MenuPosition);
    for (int i = 0, n = GetMenuItemCount(sub); i < n; ++i) {
        if (GetMenuItemID(sub, i) != id)
            continue;
        char buffer[256] = "";
        GetMenuStringA(sub, i, buffer, sizeof buffer, MF_BYPOSITION);
        if (text != nullptr)
            *text = buffer;
        return true;
    }
    return false;
}
