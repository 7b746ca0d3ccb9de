// pelloran_url_recorder.exe: stands in for the web browser in the end-to-end tests. A test registers it as
// the prefix's handler of web addresses; when the program asks the shell to open one, this appends its
// arguments after the first (the address, as the shell passed it) as one line to the file named first.
//   pelloran_url_recorder.exe OUTPUT-FILE ADDRESS...
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2)
        return 2;
    FILE* out = _wfopen(argv[1], L"ab");
    if (out == nullptr)
        return 3;
    for (int i = 2; i < argc; ++i)
        std::fprintf(out, "%s%ls", i > 2 ? " " : "", argv[i]);
    std::fprintf(out, "\n");
    std::fclose(out);
    LocalFree(argv);
    return 0;
}
