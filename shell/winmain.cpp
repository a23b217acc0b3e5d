/*
 * winmain.cpp - the program's entry: prepares the per-process values, registers the window
 * classes, creates the main window, opens a file named on the command line and runs the
 * message loop with its two accelerator tables.  Writes Frame.
 */
#include "shell/shell.h"
#include "core/profile.h"
#include "resources/resource.h"
#include "audio/audio.h"
#include "lists/lists.h"
#include "music/music.h"

#include <stdio.h>
#include <string.h>

ShellState Shell;

static int osLevel(void)
{
    OSVERSIONINFOA v;
    memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    if (v.dwMajorVersion == 3)
        return v.dwMinorVersion < 50 ? 1 : 2;
    return 3;
}

static LRESULT CALLBACK placeholderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

/* Registers the main class, bumping the name's last character after each failure. */
static ATOM registerMainClass(void)
{
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = Frame.instance;
    wc.hIcon = LoadIconA(Frame.instance, MAKEINTRESOURCEA(IDI_ZELO));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszMenuName = "ZELOMENU";
    for (int attempt = 0; attempt < 7; attempt++) {
        wc.lpszClassName = Shell.className;
        ATOM a = RegisterClassA(&wc);
        if (a)
            return a;
        Shell.className[7]++;
    }
    return 0;
}

static void registerChildClasses(void)
{
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = placeholderProc;
    wc.hInstance = Frame.instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = FRAME_METERCLASS;
    wc.lpfnWndProc = MeterWndProc;
    wc.style = CS_DBLCLKS;
    RegisterClassA(&wc);
    wc.lpfnWndProc = placeholderProc;
    wc.style = 0;
    wc.lpszClassName = FRAME_TOOLBARCLASS;
    RegisterClassA(&wc);
}

static void programDirectory(void)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    char *slash = strrchr(path, '\\');
    if (slash)
        *slash = 0;
    snprintf(Frame.programDir, sizeof Frame.programDir, "%s", path);
}

/* A "/settings:<folder>" switch points the program at another settings folder; it is taken
   off the command line before the rest is read as file names. */
static void takeSettingsSwitch(char *line)
{
    char *s = strstr(line, "/settings:");
    if (!s)
        return;
    char *value = s + 10, *end;
    char folder[MAX_PATH];
    if (*value == '"') {
        value++;
        end = strchr(value, '"');
    } else {
        end = strchr(value, ' ');
    }
    size_t n = end ? (size_t)(end - value) : strlen(value);
    if (n >= sizeof folder)
        n = sizeof folder - 1;
    memcpy(folder, value, n);
    folder[n] = 0;
    profileSetFolder(folder);
    char *rest = end ? end + (*end == '"') : value + n;
    memmove(s, rest, strlen(rest) + 1);
}

static void trimBlanks(char *s)
{
    size_t n = strlen(s);
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t'))
        s[--n] = 0;
    size_t lead = strspn(s, " \t");
    if (lead)
        memmove(s, s + lead, strlen(s + lead) + 1);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    char buf[256];
    memset(&Shell, 0, sizeof Shell);
    Frame.instance = instance;
    strcpy(Shell.className, FRAME_CLASSNAME);
    frameString(IDS_INIFILE, Shell.iniName, sizeof Shell.iniName);
    frameString(IDS_HELPFILE, Frame.helpName, sizeof Frame.helpName);
    frameString(IDS_PROGNAME, Frame.programName, sizeof Frame.programName);
    frameString(IDS_VERSION, Frame.versionText, sizeof Frame.versionText);
    if (!Frame.programName[0])
        strcpy(Frame.programName, "Zelo Edit");
    snprintf(Shell.commandLine, sizeof Shell.commandLine, "%s", cmdLine ? cmdLine : "");
    takeSettingsSwitch(Shell.commandLine);
    trimBlanks(Shell.commandLine);
    Frame.osLevel = osLevel();

    if (!registerMainClass()) {
        osMessage(frameString(IDS_ERR_REGCLASS, buf, sizeof buf), "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    registerChildClasses();
    programDirectory();
    startupBeforeWindow();

    /* Only the first copy remembers and restores its place on the screen. */
    int x = CW_USEDEFAULT, y = 0;
    Shell.firstInstance = FindWindowA(FRAME_CLASSNAME, NULL) == NULL;
    if (Shell.firstInstance) {
        x = (int)profileGetInt("Size", "XLoc", CW_USEDEFAULT);
        y = (int)profileGetInt("Size", "YLoc", 0);
    }
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, exStyle = WS_EX_ACCEPTFILES;
    RECT rc = {0, 0, (int)profileGetInt("Size", "X", 610), (int)profileGetInt("Size", "Y", 340) + 5};
    if (Frame.osLevel == 3)
        rc.bottom -= 1;
    AdjustWindowRectEx(&rc, style, TRUE, exStyle);
    int w = rc.right - rc.left, h = rc.bottom - rc.top - 4;
    if (x != CW_USEDEFAULT) {
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        if (x > sw - 30)
            x = sw - 30;
        if (y > sh - 30)
            y = sh - 30;
    }
    Frame.main = CreateWindowExA(exStyle, Shell.className, Frame.programName, style, x, y, w, h,
                                 NULL, NULL, instance, NULL);
    if (!Frame.main) {
        osMessage("Can't create main window", "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        osMessage(frameString(IDS_ERR_CREATEWIN, buf, sizeof buf), "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 2;
    }
    /* Until a wave is opened the title says which version runs. */
    snprintf(buf, sizeof buf, "%s %s", Frame.programName, Frame.versionText);
    SetWindowTextA(Frame.main, buf);
    Frame.menuAcc = LoadAcceleratorsA(instance, "MenuAcc");
    Shell.numsAcc = LoadAcceleratorsA(instance, "NumsAcc");

    ShowWindow(Frame.main, show);
    UpdateWindow(Frame.main);
    commandEnablePass(NULL);
    Frame.noPlayBar = (int)profileGetInt("Size", "NoPlayBar", 0);

    startupOpenCommandLine();

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        /* The menu's keys belong to the main window and its children only: typing in
           another window of the program (the help viewer, a dialog) must not edit the wave. */
        if (listsDialogMessage(&msg))
            continue;   /* the modeless cue list and play list take their keys first */
        if (musicDialogMessage(&msg))
            continue;   /* and the Music window its own */
        HWND focus = GetFocus();
        HACCEL acc = (focus && focus == Frame.cdEntry) ? Shell.numsAcc : Frame.menuAcc;
        int ours = msg.hwnd && (msg.hwnd == Frame.main || IsChild(Frame.main, msg.hwnd));
        if (acc && ours && TranslateAcceleratorA(Frame.main, acc, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    UnregisterClassA(Shell.className, instance);
    UnregisterClassA(FRAME_METERCLASS, instance);
    return (int)msg.wParam;
}
