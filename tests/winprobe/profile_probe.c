/* Asks Windows' own profile functions (as Wine implements them) what an INI file says, so that
 * tests can compare our INI store with them.
 *
 *   profile_probe read FILE SECTION KEY [SECTION KEY ...]
 *       one line per pair: the value GetPrivateProfileStringW returns, as hex UTF-16 units
 *       ("." for the empty string), or "-" when the key is missing
 *   profile_probe sections FILE
 *       one line per section name GetPrivateProfileSectionNamesW lists, as hex UTF-16 units
 *   profile_probe write FILE SECTION KEY HEXVALUE
 *       WritePrivateProfileStringW with the value given as hex UTF-16 units ("." for empty)
 *
 * Arguments after the command are hex UTF-16 too (except FILE, a Windows path), so that no console
 * or command-line code page stands between the test and the profile functions. Exit code 0 on
 * success, 1 when a call fails, 2 on bad usage. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

static WCHAR* fromHex(const WCHAR* hex)
{
    size_t n = wcslen(hex);
    WCHAR* out = calloc(n / 4 + 1, sizeof(WCHAR));
    if (n == 1 && hex[0] == L'.')
        return out;
    for (size_t i = 0; i + 4 <= n; i += 4) {
        WCHAR digits[5] = {hex[i], hex[i + 1], hex[i + 2], hex[i + 3], 0};
        out[i / 4] = (WCHAR)wcstoul(digits, NULL, 16);
    }
    return out;
}

static void printHex(const WCHAR* text, size_t n)
{
    if (n == 0)
        printf(".");
    for (size_t i = 0; i < n; ++i)
        printf("%04x", (unsigned)text[i]);
    printf("\n");
}

int wmain(int argc, WCHAR** argv)
{
    static WCHAR buffer[65536];
    static const WCHAR missing[] = L"\x01\x02missing";
    if (argc >= 3 && wcscmp(argv[1], L"read") == 0 && argc % 2 == 1) {
        for (int i = 3; i + 1 < argc; i += 2) {
            WCHAR* section = fromHex(argv[i]);
            WCHAR* key = fromHex(argv[i + 1]);
            DWORD n = GetPrivateProfileStringW(section, key, missing, buffer, 65536, argv[2]);
            if (wcscmp(buffer, missing) == 0)
                printf("-\n");
            else
                printHex(buffer, n);
            free(section);
            free(key);
        }
        return 0;
    }
    if (argc == 3 && wcscmp(argv[1], L"sections") == 0) {
        DWORD n = GetPrivateProfileSectionNamesW(buffer, 65536, argv[2]);
        for (DWORD i = 0; i < n;) {
            size_t len = wcslen(buffer + i);
            printHex(buffer + i, len);
            i += (DWORD)len + 1;
        }
        return 0;
    }
    if (argc == 6 && wcscmp(argv[1], L"write") == 0) {
        WCHAR* section = fromHex(argv[3]);
        WCHAR* key = fromHex(argv[4]);
        WCHAR* value = fromHex(argv[5]);
        BOOL ok = WritePrivateProfileStringW(section, key, value, argv[2]);
        free(section);
        free(key);
        free(value);
        return ok ? 0 : 1;
    }
    fprintf(stderr, "usage: profile_probe read FILE SECTION KEY... | sections FILE | write FILE SECTION KEY VALUE\n");
    return 2;
}
