"""A real x86_64 DLL made on the fly: loading it appends its own path to the
file named by the environment variable KORVAN_DLL_MARKER."""
import os
import subprocess

SOURCE = r"""
#include <windows.h>
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH], path[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("KORVAN_DLL_MARKER", marker, sizeof marker);
        DWORD m = GetModuleFileNameA(self, path, sizeof path - 1);
        if (n > 0 && n < sizeof marker) {
            HANDLE f = CreateFileA(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                   OPEN_ALWAYS, 0, NULL);
            if (f != INVALID_HANDLE_VALUE) {
                DWORD written;
                path[m++] = '\n';
                WriteFile(f, path, m, &written, NULL);
                CloseHandle(f);
            }
        }
    }
    return TRUE;
}
"""

COMPILER = "x86_64-w64-mingw32-gcc"


def build_marker_dll(out_path):
    """Compiles the DLL to out_path. Returns its bytes."""
    source = out_path + ".c"
    with open(source, "w") as f:
        f.write(SOURCE)
    subprocess.run([COMPILER, "-shared", "-O1", "-s", "-o", out_path, source], check=True, capture_output=True)
    os.remove(source)
    with open(out_path, "rb") as f:
        return f.read()
