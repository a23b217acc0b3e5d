# Sourced by the test and run scripts: a private Wine prefix inside the build folder, a
# display (a private Xvfb when none is set), and the prefix's settings that the tests and
# the program need (virtual desktop, Marlett font, ALSA audio, no debugger on crashes).
# Expects ZELO_BUILD (the Win32 build folder).

export WINEPREFIX="${ZELO_WINEPREFIX:-$ZELO_BUILD/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"

zelo_start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local n
    for n in $(seq 99 -1 20); do
        # A lock whose server has died (killed with its shell) frees the number again.
        if [ -e "/tmp/.X$n-lock" ]; then
            local owner
            owner=$(tr -d ' \n' < "/tmp/.X$n-lock" 2>/dev/null)
            if [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then
                rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
            fi
        fi
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            ZELO_XVFB_PID=$!
            export DISPLAY=":$n"
            local i
            for i in $(seq 1 50); do
                xdpyinfo >/dev/null 2>&1 && return 0
                sleep 0.1
            done
            echo "wine-env: Xvfb on :$n did not start" >&2
            return 1
        fi
    done
    echo "wine-env: no free display number" >&2
    return 1
}

zelo_stop_display() {
    if [ -n "${ZELO_XVFB_PID:-}" ]; then
        kill "$ZELO_XVFB_PID" 2>/dev/null || true
        wait "$ZELO_XVFB_PID" 2>/dev/null || true
        ZELO_XVFB_PID=
    fi
}

zelo_init_prefix() {
    if [ -f "$WINEPREFIX/.zelo-ready" ]; then
        return 0
    fi
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    cat > "$WINEPREFIX/zelo-prefix.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"="alsa"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
    wine regedit /S "$WINEPREFIX/zelo-prefix.reg" >/dev/null 2>&1 || true
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    wineserver -k || true
    wineserver -w || true
    touch "$WINEPREFIX/.zelo-ready"
}
