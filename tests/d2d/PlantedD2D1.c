/* A "d2d1.dll" left in the program's folder, as a download might leave one: when any process
   loads it, it creates the file that KORVID_PLANTED_MARKER names. The program must never load
   it; its Direct2D comes from the system folder. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"KORVID_PLANTED_MARKER", marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
    }
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI D2D1CreateFactory(int factoryType, const void* riid,
                                                       const void* options, void** factory) {
    (void)factoryType;
    (void)riid;
    (void)options;
    if (factory) {
        *factory = NULL;
    }
    return E_FAIL;
}
