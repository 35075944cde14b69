/* Asks Windows' own shell link object (as Wine implements it) what a ".lnk" file says.
 *
 *   link_probe FILE
 *       three lines: the target (GetPath), the working directory and the arguments, each as hex
 *       UTF-16 units ("." for the empty string)
 *
 * FILE is a Windows path. Exit code 0 on success, 1 when the link cannot be loaded, 2 on bad usage. */
#define COBJMACROS
#include <stdio.h>
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

static void printHex(const WCHAR* text)
{
    if (!text[0])
        printf(".");
    for (const WCHAR* p = text; *p; ++p)
        printf("%04x", (unsigned)*p);
    printf("\n");
}

int wmain(int argc, WCHAR** argv)
{
    if (argc != 2)
        return 2;
    CoInitialize(NULL);
    IShellLinkW* link = NULL;
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void**)&link)))
        return 1;
    IPersistFile* file = NULL;
    if (FAILED(IShellLinkW_QueryInterface(link, &IID_IPersistFile, (void**)&file)))
        return 1;
    if (FAILED(IPersistFile_Load(file, argv[1], STGM_READ)))
        return 1;
    static WCHAR buffer[MAX_PATH * 4];
    buffer[0] = 0;
    IShellLinkW_GetPath(link, buffer, MAX_PATH * 4, NULL, SLGP_RAWPATH);
    printHex(buffer);
    buffer[0] = 0;
    IShellLinkW_GetWorkingDirectory(link, buffer, MAX_PATH * 4);
    printHex(buffer);
    buffer[0] = 0;
    IShellLinkW_GetArguments(link, buffer, MAX_PATH * 4);
    printHex(buffer);
    IPersistFile_Release(file);
    IShellLinkW_Release(link);
    CoUninitialize();
    return 0;
}
