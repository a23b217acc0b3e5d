/*
 * zdriver.h - the end-to-end test driver: starts the real zelo.exe under Wine and drives it as
 * a user would, across processes, through its windows: commands as the menu and accelerators
 * send them, dialogs found by title, their controls filled and pressed, message boxes read
 * and answered, status fields and titles read, the clipboard, screenshots, and the exit code.
 *
 * Every App runs with a settings folder of its own, so tests never share settings.
 */
#ifndef ZELO_ZDRIVER_H
#define ZELO_ZDRIVER_H

#include <windows.h>

#include <string>
#include <vector>

namespace zd {

/* The folder that holds zelo.exe and the bundled modules (env ZELO_BIN_DIR). */
std::string binDir();
/* A fresh folder for one test's files (settings, inputs, outputs), removed by nobody. */
std::string freshDir(const std::string &name);
/* Writes key=value into [section] of an INI file (creating it). */
void writeIni(const std::string &file, const char *section, const char *key, const char *value);
std::string readIni(const std::string &file, const char *section, const char *key, const char *def = "");

struct MsgBox {
    HWND hwnd = nullptr;
    std::string caption, text;
};

class App {
public:
    App();
    ~App();   /* kills the program when a test left it running */

    /* Starts zelo.exe with the given arguments (already quoted as needed) and its own
       settings folder; waits for the main window.  Returns false on timeout. */
    bool start(const std::string &args = "", const std::string &settingsDir = "");
    HWND main() const { return main_; }
    DWORD pid() const { return pi_.dwProcessId; }
    const std::string &settings() const { return settings_; }

    void post(UINT msg, WPARAM w = 0, LPARAM l = 0);
    LRESULT send(UINT msg, WPARAM w = 0, LPARAM l = 0);
    void command(int id) { post(WM_COMMAND, (WPARAM)id, 0); }
    /* Drops the files on the main window as Explorer would (WM_DROPFILES). */
    bool dropFiles(const std::vector<std::string> &files);
    /* Waits until the program has handled everything posted so far. */
    void idle(int ms = 100);

    /* A top-level window of this process with the given title (dialog class "#32770" when
       dialogOnly), waited for up to timeoutMs. */
    HWND waitWindow(const std::string &title, int timeoutMs = 5000, bool dialogOnly = true);
    /* Any message box of this process (a "#32770" with the static text id 0xFFFF). */
    bool waitMessageBox(MsgBox *box, int timeoutMs = 5000);
    /* Every visible dialog of this process, newest first. */
    std::vector<HWND> dialogs();

    std::string title();
    std::string childText(int id);                 /* of a child of the main window */

    /* Closes through WM_CLOSE and waits for the exit; returns the exit code or -1. */
    int close(int timeoutMs = 10000);
    bool running();
    int waitExit(int timeoutMs = 10000);

private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
    std::string settings_;
};

/* Closes through WM_CLOSE, answering No to a save question; returns the exit code or -1. */
int closeDiscarding(App &app, int timeoutMs = 10000);
/* Save As through the Save dialog; true once the title names the new file. */
bool saveAs(App &app, const std::string &path);
/* The bytes under a clipboard format (CF_WAVE by default), empty when there are none. */
std::vector<unsigned char> clipboardBytes(UINT format = CF_WAVE);
/* How many files in a folder match a pattern such as "~NDO*.TMP". */
int countFiles(const std::string &dir, const char *pattern);

/* A menu item's text without its accelerator hint, and whether it is greyed, after the
   program's enabling pass (the main window answers "ZeloMenuState"). */
std::string menuText(App &app, int id);
bool menuGrayed(App &app, int id);
/* Waits until the Undo item reads want, then until the program has settled. */
bool waitUndo(App &app, const std::string &want, int timeoutMs = 8000);

/* Waiting for what a user would see. */
bool waitTitle(App &app, const std::string &title, int timeoutMs = 8000);
bool waitGone(HWND w, int timeoutMs = 5000);
/* Opening, saving, appending and pasting pump messages behind a progress meter, and
   commands posted meanwhile are refused or overtaken: waits until no dialog of the
   program has been up for a while. */
void settle(App &app);
/* Types a name into a common file dialog and presses its default button. */
void fillFileDialog(HWND dlg, const std::string &name);
/* Chooses the entry of a common file dialog's type list that begins with text; false when
   there is none. */
bool chooseFileType(HWND dlg, const std::string &text);

/* Dialog helpers. */
void setText(HWND dlg, int id, const std::string &text);
std::string getText(HWND dlg, int id);
void click(HWND dlg, int id);                      /* BM_CLICK, posted */
void check(HWND dlg, int id, bool on);
std::string windowText(HWND w);

/* Saves the whole display (the virtual desktop) as a PNG under the screenshot folder
   (env ZELO_SHOT_DIR, else the build's "screenshots" folder); returns the path or "". */
std::string screenshot(const std::string &name);
/* Pixels of a window's client area as 0x00RRGGBB, row by row, for pixel checks. */
bool grabClient(HWND w, int *width, int *height, std::vector<unsigned> *pixels);

/* Writes a 24-bit RGB image as PNG (uncompressed deflate blocks). */
bool writePng(const std::string &path, int width, int height, const std::vector<unsigned> &rgb);

/* A PCM wave file, for test inputs. */
bool writeWave(const std::string &path, unsigned rate, int bits, int channels, const std::vector<unsigned char> &data);
bool readWave(const std::string &path, unsigned *rate, int *bits, int *channels, std::vector<unsigned char> *data);

/* ---- the host side: native programs and the program's own folder ---- */

/* The Unix path of a Windows path ("" when Wine cannot tell). */
std::string unixPath(const std::string &winPath);
bool fileExists(const std::string &path);
/* Runs a shell command line natively (Wine starts Unix programs) and waits up to two
   minutes for it; false when it could not run or did not finish. */
bool runNative(const std::string &dir, const std::string &line);
/* sox is installed on the host. */
bool haveSox(const std::string &dir);

/* The program with a chosen set of its files in a folder of its own: while one exists,
   App starts the copy there (ZELO_BIN_DIR), so a test can leave a module out or add a
   test module.  Files are names in binDir(), or full paths. */
class ProgramDir {
public:
    std::string dir;
    ProgramDir(const std::string &name, const std::vector<std::string> &files);
    ~ProgramDir();
private:
    bool had_ = false;
    std::string old_;
};

} // namespace zd

#endif
