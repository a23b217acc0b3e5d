/*
 * devices.cpp - which audio devices the program uses: chosen by product name at start-up
 * (WaveOut, WaveIn, MidiOut, MidiIn), changed in the "Select Wave Device" dialog, and the
 * position correction that follows the output device.  Writes AudioDev, Play.deviceId,
 * Play.correction and the device names in Settings.
 */
#include "audio/audio.h"
#include "ui/frame.h"
#include "ui/helpview.h"
#include "core/settings.h"
#include "resources/resource.h"

#include <stdio.h>
#include <string.h>

struct AudioDevState {
    UINT waveIn;                    /* input device number (Part of recording) */
    UINT midiOut;                   /* MIDI output number, for the composer's notes */
    UINT midiIn;                    /* MIDI input number */
};
AudioDevState AudioDev;

enum { KIND_WAVEOUT, KIND_WAVEIN, KIND_MIDIOUT, KIND_MIDIIN, KIND_COUNT };

static UINT deviceCount(int kind)
{
    switch (kind) {
    case KIND_WAVEOUT: return waveOutGetNumDevs();
    case KIND_WAVEIN:  return waveInGetNumDevs();
    case KIND_MIDIOUT: return midiOutGetNumDevs();
    default:           return midiInGetNumDevs();
    }
}

/* Product name of device i of a kind; "" when it cannot be asked. */
static void deviceName(int kind, UINT i, char *out, size_t size)
{
    out[0] = 0;
    MMRESULT r = MMSYSERR_ERROR;
    switch (kind) {
    case KIND_WAVEOUT: { WAVEOUTCAPSA c; if ((r = waveOutGetDevCapsA(i, &c, sizeof c)) == 0) snprintf(out, size, "%s", c.szPname); break; }
    case KIND_WAVEIN:  { WAVEINCAPSA c;  if ((r = waveInGetDevCapsA(i, &c, sizeof c)) == 0) snprintf(out, size, "%s", c.szPname); break; }
    case KIND_MIDIOUT: { MIDIOUTCAPSA c; if ((r = midiOutGetDevCapsA(i, &c, sizeof c)) == 0) snprintf(out, size, "%s", c.szPname); break; }
    default:           { MIDIINCAPSA c;  if ((r = midiInGetDevCapsA(i, &c, sizeof c)) == 0) snprintf(out, size, "%s", c.szPname); break; }
    }
    (void)r;
}

static char *settingName(int kind)
{
    switch (kind) {
    case KIND_WAVEOUT: return Settings.waveOut;
    case KIND_WAVEIN:  return Settings.waveIn;
    case KIND_MIDIOUT: return Settings.midiOut;
    default:           return Settings.midiIn;
    }
}

static UINT deviceNumber(int kind)
{
    switch (kind) {
    case KIND_WAVEOUT: return Play.deviceId;
    case KIND_WAVEIN:  return AudioDev.waveIn;
    case KIND_MIDIOUT: return AudioDev.midiOut;
    default:           return AudioDev.midiIn;
    }
}

static void setNumber(int kind, UINT n)
{
    switch (kind) {
    case KIND_WAVEOUT: Play.deviceId = n; break;
    case KIND_WAVEIN:  AudioDev.waveIn = n; break;
    case KIND_MIDIOUT: AudioDev.midiOut = n; break;
    default:           AudioDev.midiIn = n; break;
    }
}

/* The device whose name matches (case-insensitively), else the first one.  A name that
   matches nothing is cleared so that it is not written back. */
static UINT byName(int kind)
{
    char *want = settingName(kind), name[MAXPNAMELEN + 1];
    UINT n = deviceCount(kind);
    for (UINT i = 0; want[0] && i < n; i++) {
        deviceName(kind, i, name, sizeof name);
        if (lstrcmpiA(name, want) == 0)
            return i;
    }
    want[0] = 0;
    return 0;
}

void audioChooseCorrection(void)
{
    char name[MAXPNAMELEN + 1];
    deviceName(KIND_WAVEOUT, Play.deviceId, name, sizeof name);
    if (Settings.meterFix)
        Play.correction = 2;
    else if (name[0] == 'S' && name[1] == 'B')
        Play.correction = 1;
    else
        Play.correction = 0;
}

void audioDevicesStartup(void)
{
    for (int k = 0; k < KIND_COUNT; k++)
        setNumber(k, byName(k));
    audioChooseCorrection();
}

static const int comboIds[KIND_COUNT] = {IDC_DEV_WAVEOUT, IDC_DEV_WAVEIN, IDC_DEV_MIDIOUT, IDC_DEV_MIDIIN};

static void fillLists(HWND dlg)
{
    char name[MAXPNAMELEN + 1];
    for (int k = 0; k < KIND_COUNT; k++) {
        HWND combo = GetDlgItem(dlg, comboIds[k]);
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        UINT n = deviceCount(k);
        for (UINT i = 0; i < n; i++) {
            deviceName(k, i, name, sizeof name);
            SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)name);
        }
        UINT cur = deviceNumber(k);
        SendMessageA(combo, CB_SETCURSEL, n ? (cur < n ? cur : 0) : (WPARAM)-1, 0);
        EnableWindow(combo, n > 0);
    }
}

static void takeChoices(HWND dlg)
{
    char name[MAXPNAMELEN + 1];
    for (int k = 0; k < KIND_COUNT; k++) {
        LRESULT sel = SendDlgItemMessageA(dlg, comboIds[k], CB_GETCURSEL, 0, 0);
        if (sel == CB_ERR || (UINT)sel >= deviceCount(k))
            continue;
        setNumber(k, (UINT)sel);
        deviceName(k, (UINT)sel, name, sizeof name);
        snprintf(settingName(k), SETTINGS_NAMEMAX, "%s", name);
    }
    audioChooseCorrection();
}

INT_PTR CALLBACK SELECTWAVEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Select Wave Device"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        fillLists(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            takeChoices(dlg);
            EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int audioHaveOutput(void) { return deviceCount(KIND_WAVEOUT) > 0; }

void audioCmdSelectDevice(void)
{
    DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_SELECTWAVE), Frame.main, SELECTWAVEMsgProc, 0);
}

UINT audioWaveInDevice(void) { return AudioDev.waveIn; }
UINT audioMidiOutDevice(void) { return AudioDev.midiOut; }
