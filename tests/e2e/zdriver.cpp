/*
 * zdriver.cpp - the end-to-end driver's process, window, dialog, screenshot and file helpers.
 * All waits poll with short sleeps and end at their timeout: a test never hangs on a program
 * that stopped answering.
 */
#include "zdriver.h"

#include <shellapi.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace zd {

static std::string envOr(const char *name, const std::string &def)
{
    char buf[1024];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf) : def;
}

static std::string unixToWine(std::string p)
{
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::string binDir()
{
#ifdef ZELO_BIN_DIR_DEFAULT
    return unixToWine(envOr("ZELO_BIN_DIR", ZELO_BIN_DIR_DEFAULT));
#else
    return unixToWine(envOr("ZELO_BIN_DIR", "."));
#endif
}

std::string freshDir(const std::string &name)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char dir[MAX_PATH];
    snprintf(dir, sizeof dir, "%szelo-e2e-%lu-%s", base, (unsigned long)GetCurrentProcessId(), name.c_str());
    CreateDirectoryA(dir, NULL);
    /* Wine hands out process ids again, so a folder of an earlier run may be there: empty
       it (plain files only; tests make no subfolders). */
    WIN32_FIND_DATAA fd;
    std::string wild = std::string(dir) + "\\*";
    HANDLE h = FindFirstFileA(wild.c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((std::string(dir) + "\\" + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return dir;
}

void writeIni(const std::string &file, const char *section, const char *key, const char *value)
{
    WritePrivateProfileStringA(section, key, value, file.c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, file.c_str());   /* flush the profile cache */
}

std::string readIni(const std::string &file, const char *section, const char *key, const char *def)
{
    char buf[1024];
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, file.c_str());
    return buf;
}

App::App() {}

App::~App()
{
    if (pi_.hProcess) {
        if (running()) {
            TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
}

struct FindCtx {
    DWORD pid;
    HWND found;
    const char *title;
    bool dialogOnly;
    std::vector<HWND> *all;
};

static BOOL CALLBACK findMain(HWND w, LPARAM lp)
{
    FindCtx *c = (FindCtx *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != c->pid)
        return TRUE;
    char cls[64];
    GetClassNameA(w, cls, sizeof cls);
    if (strncmp(cls, "ZELO-v9", 7) == 0) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}

bool App::start(const std::string &args, const std::string &settingsDir)
{
    settings_ = settingsDir.empty() ? freshDir("settings") : settingsDir;
    SetEnvironmentVariableA("ZELO_SETTINGS_DIR", settings_.c_str());
    std::string exe = binDir() + "\\zelo.exe";
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(exe.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, binDir().c_str(), &si, &pi_))
        return false;
    WaitForInputIdle(pi_.hProcess, 10000);
    for (int i = 0; i < 300 && running(); i++) {
        FindCtx c{pi_.dwProcessId, nullptr, nullptr, false, nullptr};
        EnumWindows(findMain, (LPARAM)&c);
        if (c.found && IsWindowVisible(c.found)) {
            main_ = c.found;
            idle();
            return true;
        }
        Sleep(50);
    }
    return false;
}

void App::post(UINT msg, WPARAM w, LPARAM l)
{
    PostMessageA(main_, msg, w, l);
}

bool App::dropFiles(const std::vector<std::string> &files)
{
    /* A drop's memory block lives in the receiving process: DROPFILES and the names, each
       ended by a zero, with one more zero at the end.  The program's DragFinish frees it. */
    std::vector<char> block(sizeof(DROPFILES));
    DROPFILES *d = (DROPFILES *)block.data();
    d->pFiles = sizeof(DROPFILES);
    d->pt.x = 10;
    d->pt.y = 10;
    d->fNC = FALSE;
    d->fWide = FALSE;
    for (const auto &f : files)
        block.insert(block.end(), f.c_str(), f.c_str() + f.size() + 1);
    block.push_back(0);
    void *remote = VirtualAllocEx(pi_.hProcess, NULL, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote)
        return false;
    SIZE_T written = 0;
    if (!WriteProcessMemory(pi_.hProcess, remote, block.data(), block.size(), &written) || written != block.size())
        return false;
    return PostMessageA(main_, WM_DROPFILES, (WPARAM)remote, 0) != 0;
}

LRESULT App::send(UINT msg, WPARAM w, LPARAM l)
{
    DWORD_PTR r = 0;
    SendMessageTimeoutA(main_, msg, w, l, SMTO_NORMAL, 10000, &r);
    return (LRESULT)r;
}

void App::idle(int ms)
{
    /* A message sent behind everything posted returns once those were handled (unless a
       modal loop runs, in which case the timeout ends the wait). */
    DWORD_PTR r = 0;
    SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, ms > 2000 ? ms : 2000, &r);
    if (pi_.hProcess)
        WaitForInputIdle(pi_.hProcess, ms);
}

static BOOL CALLBACK findTop(HWND w, LPARAM lp)
{
    FindCtx *c = (FindCtx *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != c->pid || !IsWindowVisible(w))
        return TRUE;
    char cls[64];
    GetClassNameA(w, cls, sizeof cls);
    bool isDialog = strcmp(cls, "#32770") == 0;
    if (c->dialogOnly && !isDialog)
        return TRUE;
    if (c->all) {
        c->all->push_back(w);
        return TRUE;
    }
    if (c->title && windowText(w) == c->title) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND App::waitWindow(const std::string &title, int timeoutMs, bool dialogOnly)
{
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        FindCtx c{pi_.dwProcessId, nullptr, title.c_str(), dialogOnly, nullptr};
        EnumWindows(findTop, (LPARAM)&c);
        if (c.found)
            return c.found;
        if (!running())
            return nullptr;
        Sleep(50);
    }
    return nullptr;
}

std::vector<HWND> App::dialogs()
{
    std::vector<HWND> all;
    FindCtx c{pi_.dwProcessId, nullptr, nullptr, true, &all};
    EnumWindows(findTop, (LPARAM)&c);
    return all;
}

bool App::waitMessageBox(MsgBox *box, int timeoutMs)
{
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        for (HWND d : dialogs()) {
            HWND st = GetDlgItem(d, 0xFFFF);
            if (st) {
                box->hwnd = d;
                box->caption = windowText(d);
                box->text = windowText(st);
                return true;
            }
        }
        if (!running())
            return false;
        Sleep(50);
    }
    return false;
}

std::string App::title()
{
    return windowText(main_);
}

std::string App::childText(int id)
{
    return windowText(GetDlgItem(main_, id));
}

bool App::running()
{
    return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

int App::waitExit(int timeoutMs)
{
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return (int)code;
}

int App::close(int timeoutMs)
{
    post(WM_CLOSE);
    return waitExit(timeoutMs);
}

std::string windowText(HWND w)
{
    if (!w)
        return "";
    char buf[2048];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, (LPARAM)buf, SMTO_NORMAL, 5000, &n))
        return "";
    buf[n < sizeof buf ? n : sizeof buf - 1] = 0;
    return buf;
}

void setText(HWND dlg, int id, const std::string &text)
{
    DWORD_PTR r;
    SendMessageTimeoutA(GetDlgItem(dlg, id), WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000, &r);
}

std::string getText(HWND dlg, int id)
{
    return windowText(GetDlgItem(dlg, id));
}

void click(HWND dlg, int id)
{
    PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

void check(HWND dlg, int id, bool on)
{
    DWORD_PTR r;
    SendMessageTimeoutA(GetDlgItem(dlg, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_NORMAL, 5000, &r);
}

static bool grabRect(HDC src, int x, int y, int w, int h, std::vector<unsigned> *pixels)
{
    HDC mem = CreateCompatibleDC(src);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!bmp) {
        DeleteDC(mem);
        return false;
    }
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY);
    GdiFlush();
    pixels->assign((const unsigned *)bits, (const unsigned *)bits + (size_t)w * h);
    for (unsigned &p : *pixels)
        p &= 0x00FFFFFF;
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    return true;
}

bool grabClient(HWND w, int *width, int *height, std::vector<unsigned> *pixels)
{
    RECT rc;
    if (!GetClientRect(w, &rc))
        return false;
    POINT p{0, 0};
    ClientToScreen(w, &p);
    HDC screen = GetDC(NULL);
    *width = rc.right;
    *height = rc.bottom;
    bool ok = grabRect(screen, p.x, p.y, rc.right, rc.bottom, pixels);
    ReleaseDC(NULL, screen);
    return ok;
}

std::string screenshot(const std::string &name)
{
    std::string dir = unixToWine(envOr("ZELO_SHOT_DIR", binDir() + "\\..\\screenshots"));
    CreateDirectoryA(dir.c_str(), NULL);
    HDC screen = GetDC(NULL);
    int w = GetDeviceCaps(screen, HORZRES), h = GetDeviceCaps(screen, VERTRES);
    std::vector<unsigned> px;
    bool ok = grabRect(screen, 0, 0, w, h, &px);
    ReleaseDC(NULL, screen);
    std::string path = dir + "\\" + name + ".png";
    return ok && writePng(path, w, h, px) ? path : std::string();
}

static unsigned crcTable[256];

static unsigned crc32(const unsigned char *p, size_t n, unsigned crc = 0)
{
    if (!crcTable[1])
        for (unsigned i = 0; i < 256; i++) {
            unsigned c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            crcTable[i] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < n; i++)
        crc = crcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void put32(std::vector<unsigned char> &v, unsigned x)
{
    v.push_back((unsigned char)(x >> 24));
    v.push_back((unsigned char)(x >> 16));
    v.push_back((unsigned char)(x >> 8));
    v.push_back((unsigned char)x);
}

static void chunk(std::vector<unsigned char> &out, const char *type, const std::vector<unsigned char> &data)
{
    put32(out, (unsigned)data.size());
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(body.data(), body.size()));
}

bool writePng(const std::string &path, int width, int height, const std::vector<unsigned> &rgb)
{
    std::vector<unsigned char> raw;
    raw.reserve((size_t)height * (width * 3 + 1));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        for (int x = 0; x < width; x++) {
            unsigned p = rgb[(size_t)y * width + x];
            raw.push_back((unsigned char)(p >> 16));
            raw.push_back((unsigned char)(p >> 8));
            raw.push_back((unsigned char)p);
        }
    }
    std::vector<unsigned char> z{0x78, 0x01};
    unsigned a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        bool last = at + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back((unsigned char)n);
        z.push_back((unsigned char)(n >> 8));
        z.push_back((unsigned char)~n);
        z.push_back((unsigned char)(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (last)
            break;
    }
    put32(z, (b << 16) | a);
    std::vector<unsigned char> out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<unsigned char> ihdr;
    put32(ihdr, (unsigned)width);
    put32(ihdr, (unsigned)height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    return fclose(f) == 0 && ok;
}

static void le(std::vector<unsigned char> &v, unsigned x, int bytes)
{
    for (int i = 0; i < bytes; i++)
        v.push_back((unsigned char)(x >> (8 * i)));
}

bool writeWave(const std::string &path, unsigned rate, int bits, int channels, const std::vector<unsigned char> &data)
{
    std::vector<unsigned char> f{'R', 'I', 'F', 'F'};
    size_t pad = data.size() & 1;
    le(f, (unsigned)(36 + data.size() + pad), 4);
    f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le(f, 16, 4);
    le(f, 1, 2);
    le(f, (unsigned)channels, 2);
    le(f, rate, 4);
    le(f, rate * channels * bits / 8, 4);
    le(f, (unsigned)(channels * bits / 8), 2);
    le(f, (unsigned)bits, 2);
    f.insert(f.end(), {'d', 'a', 't', 'a'});
    le(f, (unsigned)data.size(), 4);
    f.insert(f.end(), data.begin(), data.end());
    if (pad)
        f.push_back(0);
    FILE *fp = fopen(path.c_str(), "wb");
    if (!fp)
        return false;
    bool ok = fwrite(f.data(), 1, f.size(), fp) == f.size();
    return fclose(fp) == 0 && ok;
}

bool readWave(const std::string &path, unsigned *rate, int *bits, int *channels, std::vector<unsigned char> *data)
{
    FILE *fp = fopen(path.c_str(), "rb");
    if (!fp)
        return false;
    std::vector<unsigned char> f;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0)
        f.insert(f.end(), buf, buf + n);
    fclose(fp);
    auto u32 = [&](size_t at) { return (unsigned)f[at] | (unsigned)f[at + 1] << 8 | (unsigned)f[at + 2] << 16 | (unsigned)f[at + 3] << 24; };
    auto u16 = [&](size_t at) { return (unsigned)f[at] | (unsigned)f[at + 1] << 8; };
    if (f.size() < 12 || memcmp(f.data(), "RIFF", 4) || memcmp(f.data() + 8, "WAVE", 4))
        return false;
    bool haveFmt = false;
    for (size_t at = 12; at + 8 <= f.size();) {
        unsigned size = u32(at + 4);
        size_t body = at + 8;
        size_t avail = f.size() - body < size ? f.size() - body : size;
        if (!memcmp(f.data() + at, "fmt ", 4) && avail >= 16) {
            *channels = (int)u16(body + 2);
            *rate = u32(body + 4);
            *bits = (int)u16(body + 14);
            haveFmt = true;
        } else if (!memcmp(f.data() + at, "data", 4)) {
            data->assign(f.begin() + body, f.begin() + body + avail);
            return haveFmt;
        }
        at = body + size + (size & 1);
    }
    return false;
}

bool waitTitle(App &app, const std::string &title, int timeoutMs)
{
    for (int t = 0; t < timeoutMs; t += 50) {
        if (app.title() == title)
            return true;
        Sleep(50);
    }
    return false;
}

bool waitGone(HWND w, int timeoutMs)
{
    for (int t = 0; t < timeoutMs && IsWindow(w); t += 50)
        Sleep(50);
    return !IsWindow(w);
}

/* The modeless tool windows (analysis, cue list, play list) are sizeable and stay up while
   the user works; every other dialog of the program is part of a command still running. */
static bool commandDialogUp(App &app)
{
    for (HWND d : app.dialogs())
        if (!(GetWindowLongA(d, GWL_STYLE) & WS_THICKFRAME))
            return true;
    return false;
}

void settle(App &app)
{
    int quiet = 0;
    for (int t = 0; t < 10000 && quiet < 3; t += 50) {
        quiet = commandDialogUp(app) ? 0 : quiet + 1;
        Sleep(50);
    }
    app.idle();
}

void fillFileDialog(HWND dlg, const std::string &name)
{
    HWND box = GetDlgItem(dlg, 0x47c);   /* the file name combo box (cmb13) */
    HWND edit = box ? FindWindowExA(box, NULL, "Edit", NULL) : GetDlgItem(dlg, 0x480);
    SendMessageA(edit ? edit : box, WM_SETTEXT, 0, (LPARAM)name.c_str());
    click(dlg, IDOK);
}

bool chooseFileType(HWND dlg, const std::string &text)
{
    HWND types = GetDlgItem(dlg, 0x470);   /* the type combo box (cmb1) */
    if (!types)
        return false;
    LRESULT n = SendMessageA(types, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; i++) {
        /* The dialog's controls are Unicode ones. */
        wchar_t wide[256] = L"";
        char item[512] = "";
        if (SendMessageW(types, CB_GETLBTEXTLEN, (WPARAM)i, 0) >= (LRESULT)(sizeof wide / sizeof wide[0]))
            continue;
        SendMessageW(types, CB_GETLBTEXT, (WPARAM)i, (LPARAM)wide);
        WideCharToMultiByte(CP_ACP, 0, wide, -1, item, sizeof item, NULL, NULL);
        if (strncmp(item, text.c_str(), text.size()) == 0) {
            SendMessageA(types, CB_SETCURSEL, (WPARAM)i, 0);
            /* The dialog takes the new type when the choice is confirmed. */
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), (LPARAM)types);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), (LPARAM)types);
            return true;
        }
    }
    return false;
}

int closeDiscarding(App &app, int timeoutMs)
{
    app.post(WM_CLOSE);
    for (int t = 0; t < timeoutMs && app.running(); t += 50) {
        MsgBox box;
        if (app.waitMessageBox(&box, 50))
            click(box.hwnd, IDNO);
    }
    return app.waitExit(timeoutMs);
}

bool saveAs(App &app, const std::string &path)
{
    settle(app);
    app.command(1150);
    HWND dlg = app.waitWindow("Save a Waveform");
    if (!dlg)
        return false;
    fillFileDialog(dlg, path);
    if (!waitGone(dlg))
        return false;
    size_t slash = path.find_last_of("\\/");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    bool named = waitTitle(app, base + " - Zelo Edit", 30000);
    settle(app);
    return named;
}

std::vector<unsigned char> clipboardBytes(UINT format)
{
    std::vector<unsigned char> b;
    for (int t = 0; t < 2000 && !OpenClipboard(NULL); t += 20)
        Sleep(20);
    HANDLE h = GetClipboardData(format);
    if (h) {
        const unsigned char *p = (const unsigned char *)GlobalLock(h);
        if (p)
            b.assign(p, p + GlobalSize(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return b;
}

int countFiles(const std::string &dir, const char *pattern)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
        n++;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

static UINT menuQuery(void)
{
    static UINT q = RegisterWindowMessageA("ZeloMenuState");
    return q;
}

std::string menuText(App &app, int id)
{
    ATOM atom = (ATOM)app.send(menuQuery(), (WPARAM)id, 1);
    char text[256] = "";
    if (atom) {
        GlobalGetAtomNameA(atom, text, sizeof text);
        GlobalDeleteAtom(atom);
    }
    std::string t = text;
    size_t tab = t.find('\t');
    return tab == std::string::npos ? t : t.substr(0, tab);
}

bool menuGrayed(App &app, int id)
{
    UINT s = (UINT)app.send(menuQuery(), (WPARAM)id, 0);
    return (s & (MF_GRAYED | MF_DISABLED)) != 0;
}

bool waitUndo(App &app, const std::string &want, int timeoutMs)
{
    for (int t = 0; t < timeoutMs; t += 50) {
        if (menuText(app, 102) == want) {
            settle(app);
            return true;
        }
        Sleep(50);
    }
    return false;
}

/* ---- the host side ---- */

std::string unixPath(const std::string &winPath)
{
    typedef char *(CDECL * ToUnix)(LPCWSTR);
    static ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return "";
    wchar_t w[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, w, MAX_PATH);
    char *u = toUnix(w);
    std::string s = u ? u : "";
    if (u)
        HeapFree(GetProcessHeap(), 0, u);
    return s;
}

bool fileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool runNative(const std::string &dir, const std::string &line)
{
    std::string done = dir + "\\native.done";
    DeleteFileA(done.c_str());
    std::string cmd = "/bin/sh -c \"" + line + "; touch '" + unixPath(done) + "'\"";
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (unixPath(done).empty() || !CreateProcessA(NULL, buf.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int t = 0; t < 120000; t += 50) {
        if (fileExists(done))
            return true;
        Sleep(50);
    }
    return false;
}

bool haveSox(const std::string &dir)
{
    std::string mark = dir + "\\sox.here";
    return runNative(dir, "command -v sox >/dev/null && touch '" + unixPath(mark) + "'") && fileExists(mark);
}

ProgramDir::ProgramDir(const std::string &name, const std::vector<std::string> &files)
{
    dir = freshDir(name) + "\\prog";
    CreateDirectoryA(dir.c_str(), NULL);
    std::string bin = binDir();
    for (const std::string &f : files) {
        bool full = f.find('\\') != std::string::npos || f.find('/') != std::string::npos;
        std::string from = full ? f : bin + "\\" + f;
        size_t slash = from.find_last_of("\\/");
        CopyFileA(from.c_str(), (dir + "\\" + from.substr(slash + 1)).c_str(), FALSE);
    }
    char old[1024];
    DWORD n = GetEnvironmentVariableA("ZELO_BIN_DIR", old, sizeof old);
    had_ = n > 0 && n < sizeof old;
    if (had_)
        old_ = old;
    SetEnvironmentVariableA("ZELO_BIN_DIR", dir.c_str());
}

ProgramDir::~ProgramDir() { SetEnvironmentVariableA("ZELO_BIN_DIR", had_ ? old_.c_str() : NULL); }

} // namespace zd
