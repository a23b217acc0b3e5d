/*
 * newwave.cpp - the New Waveform dialog (157) in its five modes: new document, Adjust
 * Sample Rate, the rate for pasting raw data, and opening raw PCM files.  The caller passes
 * the values in and gets them back only when OK was pressed.
 */
#include "ui/newwave.h"
#include "ui/frame.h"
#include "resources/resource.h"
#include "ui/helpview.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const rateList[] = {"6000", "8000", "11025", "16000", "22050", "32000", "32075", "44100", "48000"};

static void centreOverOwner(HWND dlg) { frameCentre(dlg, GetWindow(dlg, GW_OWNER)); }

static void initDialog(HWND dlg, NewWaveValues *v)
{
    static const char *const titles[] = {"New Waveform", "Adjust Sample Rate", "File Paste Sample Rate",
                                         "Open Raw PCM As", "Open Raw PCM files As"};
    static const char *const notes[] = {"", "FYI: Adjusting bit rate and channels will not modify data",
                                        "Please enter the information for pasting RAW data", "", ""};
    int mode = v->mode >= 0 && v->mode <= 4 ? v->mode : 0;
    SetWindowTextA(dlg, titles[mode]);
    SetDlgItemTextA(dlg, IDC_NW_NOTE, notes[mode]);
    for (const char *r : rateList)
        SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_ADDSTRING, 0, (LPARAM)r);
    char rate[16];
    snprintf(rate, sizeof rate, "%lu", (unsigned long)(v->rate ? v->rate : 22050));
    SetDlgItemTextA(dlg, IDC_NW_RATE, rate);
    CheckRadioButton(dlg, IDC_NW_MONO, IDC_NW_STEREO, v->channels == 1 ? IDC_NW_MONO : IDC_NW_STEREO);
    CheckRadioButton(dlg, IDC_NW_8BIT, IDC_NW_16BIT, v->bits == 8 ? IDC_NW_8BIT : IDC_NW_16BIT);
    int raw = mode >= 3;
    int rawIds[] = {IDC_NW_RAWGROUP, IDC_NW_BYTEORDER, IDC_NW_COMPRESSION, IDC_NW_BYTEORDERLBL, IDC_NW_COMPRESSLBL};
    for (int id : rawIds)
        ShowWindow(GetDlgItem(dlg, id), raw ? SW_SHOW : SW_HIDE);
    if (raw) {
        SetDlgItemInt(dlg, IDC_NW_BYTEORDER, (UINT)v->byteOrder, FALSE);
        SetDlgItemInt(dlg, IDC_NW_COMPRESSION, (UINT)v->compression, FALSE);
    }
    centreOverOwner(dlg);
}

/* Typing a rate selects the equal list entry when there is one. */
static void rateTyped(HWND dlg)
{
    char text[16];
    GetDlgItemTextA(dlg, IDC_NW_RATE, text, sizeof text);
    LRESULT at = SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_SETCURSEL, at == LB_ERR ? (WPARAM)-1 : (WPARAM)at, 0);
}

static void rateChosen(HWND dlg)
{
    LRESULT at = SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_GETCURSEL, 0, 0);
    char text[16];
    if (at != LB_ERR && SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_GETTEXTLEN, (WPARAM)at, 0) < (LRESULT)sizeof text) {
        SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_GETTEXT, (WPARAM)at, (LPARAM)text);
        SetDlgItemTextA(dlg, IDC_NW_RATE, text);
    }
}

static int accept(HWND dlg, NewWaveValues *v)
{
    char text[16];
    GetDlgItemTextA(dlg, IDC_NW_RATE, text, sizeof text);
    char *end;
    unsigned long rate = strtoul(text, &end, 10);
    while (*end == ' ')
        end++;
    if (rate < NEWWAVE_MINRATE || rate > NEWWAVE_MAXRATE || *end) {
        frameMessageFrom(dlg, "Please enter a sample rate from 1000 to 200000 Hz.", "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dlg, IDC_NW_RATE));
        return 0;
    }
    v->rate = (uint32_t)rate;
    v->channels = IsDlgButtonChecked(dlg, IDC_NW_MONO) ? 1 : 2;
    v->bits = IsDlgButtonChecked(dlg, IDC_NW_8BIT) ? 8 : 16;
    v->blockAlign = (uint16_t)(v->channels * v->bits / 8);
    if (v->mode >= 3) {
        v->byteOrder = (int)GetDlgItemInt(dlg, IDC_NW_BYTEORDER, NULL, FALSE);
        v->compression = (int)GetDlgItemInt(dlg, IDC_NW_COMPRESSION, NULL, FALSE);
    }
    return 1;
}

static INT_PTR CALLBACK NEWWAVEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, HELPKEY_NEWWAVE))
        return TRUE;
    NewWaveValues *v = (NewWaveValues *)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        initDialog(dlg, (NewWaveValues *)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NW_RATE:     if (HIWORD(wParam) == EN_CHANGE) rateTyped(dlg); return TRUE;
        case IDC_NW_RATELIST: if (HIWORD(wParam) == LBN_SELCHANGE) rateChosen(dlg); return TRUE;
        case IDOK:            if (accept(dlg, v)) EndDialog(dlg, IDOK); return TRUE;
        case IDCANCEL:        EndDialog(dlg, IDCANCEL); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int newWaveDialog(HWND owner, NewWaveValues *values)
{
    NewWaveValues work = *values;
    INT_PTR r = DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_NEWWAVE), owner, NEWWAVEMsgProc, (LPARAM)&work);
    if (r != IDOK)
        return 0;
    *values = work;
    return 1;
}
