/*
 * waveinfo.cpp - the Wave Information dialog (command 5050): shows and edits the open
 * waveform's INFO list, fourteen RIFF INFO texts, a display title ("DISP" type 1) and a
 * display picture ("DISP" type 8, a device-independent bitmap), and the AutoFillInfo switch.
 *
 * State: WaveInfo (the picture's bitmap and its item while the dialog is up).  Writes
 * InfoList and Settings.autoFillInfo.
 */
#include "formats/fileui.h"
#include "ui/frame.h"
#include "ui/filedlg.h"
#include "core/settings.h"
#include "ui/helpview.h"
#include "formats/info.h"
#include "resources/resource.h"

#include <commdlg.h>
#include <stdio.h>
#include <string.h>

#define WAVEINFO_TEXTMAX 1024      /* a field's text, terminator included */
#define WAVEINFO_NOPICTURE 65535

static const struct {
    const char *id;
    int control;
} InfoFields[] = {
    {"IART", IDC_WI_IART}, {"ICMT", IDC_WI_ICMT}, {"ICOP", IDC_WI_ICOP}, {"ICRD", IDC_WI_ICRD},
    {"IENG", IDC_WI_IENG}, {"IGNR", IDC_WI_IGNR}, {"IKEY", IDC_WI_IKEY}, {"IMED", IDC_WI_IMED},
    {"INAM", IDC_WI_INAM}, {"ISFT", IDC_WI_ISFT}, {"ISRC", IDC_WI_ISRC}, {"ITCH", IDC_WI_ITCH},
    {"ISBJ", IDC_WI_ISBJ}, {"ISRF", IDC_WI_ISRF},
};
#define FIELD_COUNT ((int)(sizeof InfoFields / sizeof InfoFields[0]))

struct WaveInfoState {
    HBITMAP  bitmap;               /* made from the picture item; NULL when none */
    int      pictureItem;          /* its index in InfoList, WAVEINFO_NOPICTURE when none */
    int      width, height;
    RECT     frame;                /* the picture frame in dialog client coordinates */
};
static WaveInfoState WaveInfo = {NULL, WAVEINFO_NOPICTURE, 0, 0, {0, 0, 0, 0}};

static uint32_t dispType(const InfoItem *it)
{
    if (strcmp(it->id, "DISP") != 0 || it->length < 4)
        return 0;
    return (uint32_t)it->data[0] | (uint32_t)it->data[1] << 8 | (uint32_t)it->data[2] << 16 |
           (uint32_t)it->data[3] << 24;
}

/* The text of a text item (or of a DISP type 1 item after its type), bounded by its length. */
static void itemText(const InfoItem *it, int skip, char *out, size_t size)
{
    size_t n = it->length > (uint32_t)skip ? it->length - (uint32_t)skip : 0;
    if (n >= size)
        n = size - 1;
    memcpy(out, it->data + skip, n);
    out[n] = 0;
    out[strnlen(out, n)] = 0;
}

/* A bitmap from a packed DIB (header, colour table, bits), checking every size against the
   bytes there are: the picture comes from a file.  NULL when it cannot be shown. */
static HBITMAP dibToBitmap(HWND dlg, const uint8_t *dib, uint32_t length, int *w, int *h)
{
    if (length < sizeof(BITMAPINFOHEADER))
        return NULL;
    BITMAPINFOHEADER bh;
    memcpy(&bh, dib, sizeof bh);
    if (bh.biSize < sizeof(BITMAPINFOHEADER) || bh.biSize > length || bh.biWidth <= 0 || bh.biHeight == 0 ||
        bh.biWidth > 8192 || bh.biHeight > 8192 || bh.biHeight < -8192 || bh.biPlanes != 1)
        return NULL;
    int bits = bh.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return NULL;
    if (bh.biCompression != BI_RGB && bh.biCompression != BI_BITFIELDS)
        return NULL;
    uint64_t colours = bh.biClrUsed ? bh.biClrUsed : bits <= 8 ? (1u << bits) : 0;
    if (colours > 256)
        return NULL;
    uint64_t table = colours * 4 + (bh.biCompression == BI_BITFIELDS ? 12 : 0);
    uint64_t rows = (uint64_t)(bh.biHeight < 0 ? -bh.biHeight : bh.biHeight);
    uint64_t stride = (((uint64_t)bh.biWidth * (uint64_t)bits + 31) / 32) * 4;
    uint64_t need = bh.biSize + table + stride * rows;
    if (need > length)
        return NULL;
    HDC dc = GetDC(dlg);
    HBITMAP b = CreateDIBitmap(dc, &bh, CBM_INIT, dib + bh.biSize + table, (const BITMAPINFO *)dib,
                               DIB_RGB_COLORS);
    ReleaseDC(dlg, dc);
    *w = (int)bh.biWidth;
    *h = (int)rows;
    return b;
}

static void dropBitmap(void)
{
    if (WaveInfo.bitmap)
        DeleteObject(WaveInfo.bitmap);
    WaveInfo.bitmap = NULL;
}

static void pictureFrame(HWND dlg)
{
    HWND f = GetDlgItem(dlg, IDC_WI_PICTURE);
    GetWindowRect(f, &WaveInfo.frame);
    MapWindowPoints(NULL, dlg, (POINT *)&WaveInfo.frame, 2);
    InflateRect(&WaveInfo.frame, -2, -2);
}

static void showItems(HWND dlg)
{
    char text[WAVEINFO_TEXTMAX];
    WaveInfo.pictureItem = WAVEINFO_NOPICTURE;
    for (int i = 0; i < InfoList.count; i++) {
        const InfoItem *it = &InfoList.item[i];
        for (int f = 0; f < FIELD_COUNT; f++)
            if (strcmp(it->id, InfoFields[f].id) == 0) {
                itemText(it, 0, text, sizeof text);
                SetDlgItemTextA(dlg, InfoFields[f].control, text);
            }
        uint32_t type = dispType(it);
        if (type == 1) {
            itemText(it, 4, text, sizeof text);
            SetDlgItemTextA(dlg, IDC_WI_TITLE, text);
        } else if (type == 8) {
            dropBitmap();
            WaveInfo.bitmap = dibToBitmap(dlg, it->data + 4, it->length - 4, &WaveInfo.width, &WaveInfo.height);
            if (WaveInfo.bitmap)
                WaveInfo.pictureItem = i;
            else
                frameMessageFrom(dlg, "Can't display embedded DIB", "Error", OS_MB_OK | OS_MB_ICONINFORMATION);
        }
    }
}

/* The Icon button: a bitmap file becomes the picture item at once (Cancel keeps it). */
static void choosePicture(HWND dlg)
{
    char name[MAX_PATH] = "";
    OPENFILENAMEA o;
    frameFileDialog(&o, dlg, name, sizeof name, "Bitmaps (*.bmp;*.dib)\0*.bmp;*.dib\0All files (*.*)\0*.*\0",
                    "Please choose and image file", OFN_FILEMUSTEXIST);
    if (!GetOpenFileNameA(&o))
        return;
    HANDLE f = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) {
        frameMessageFrom(dlg, name, "Cannot Open File", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return;
    }
    DWORD size = GetFileSize(f, NULL);
    /* A picture item travels in a RIFF chunk: keep it well inside what a chunk may hold. */
    if (size == INVALID_FILE_SIZE || size <= 14 || size > (16u << 20)) {
        CloseHandle(f);
        frameMessageFrom(dlg, "Couldn't Create DIB!", "Error", OS_MB_OK | OS_MB_ICONINFORMATION);
        return;
    }
    uint8_t *item = new uint8_t[size - 14 + 4 + 1];
    item[0] = 8;
    item[1] = item[2] = item[3] = 0;
    DWORD got = 0;
    SetFilePointer(f, 14, NULL, FILE_BEGIN);
    BOOL ok = ReadFile(f, item + 4, size - 14, &got, NULL);
    CloseHandle(f);
    uint32_t length = 4 + (ok ? got : 0);
    int w = 0, h = 0;
    HBITMAP b = ok ? dibToBitmap(dlg, item + 4, got, &w, &h) : NULL;
    if (!b) {
        delete[] item;
        frameMessageFrom(dlg, "Couldn't Create DIB!", "Error", OS_MB_OK | OS_MB_ICONINFORMATION);
        return;
    }
    if (WaveInfo.pictureItem != WAVEINFO_NOPICTURE)
        infoRemove(WaveInfo.pictureItem);
    if (length & 1)
        item[length++] = 0;   /* program-made items have even lengths */
    if (infoAdd("DISP", item, length) != 0) {
        DeleteObject(b);
        delete[] item;
        WaveInfo.pictureItem = WAVEINFO_NOPICTURE;
        dropBitmap();
        frameMessageFrom(dlg, "Couldn't Create DIB!", "Error", OS_MB_OK | OS_MB_ICONINFORMATION);
        InvalidateRect(dlg, &WaveInfo.frame, TRUE);
        return;
    }
    delete[] item;
    dropBitmap();
    WaveInfo.bitmap = b;
    WaveInfo.width = w;
    WaveInfo.height = h;
    WaveInfo.pictureItem = InfoList.count - 1;
    InvalidateRect(dlg, &WaveInfo.frame, TRUE);
}

static void paintPicture(HWND dlg, HDC dc)
{
    if (!WaveInfo.bitmap)
        return;
    RECT f = WaveInfo.frame;
    int fw = f.right - f.left, fh = f.bottom - f.top;
    /* Centred; a larger picture shows its centre part. */
    int sx = WaveInfo.width > fw ? (WaveInfo.width - fw) / 2 : 0;
    int sy = WaveInfo.height > fh ? (WaveInfo.height - fh) / 2 : 0;
    int w = WaveInfo.width < fw ? WaveInfo.width : fw;
    int h = WaveInfo.height < fh ? WaveInfo.height : fh;
    int dx = f.left + (fw - w) / 2, dy = f.top + (fh - h) / 2;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, WaveInfo.bitmap);
    BitBlt(dc, dx, dy, w, h, mem, sx, sy, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    (void)dlg;
}

static void storeFields(HWND dlg)
{
    char text[WAVEINFO_TEXTMAX], had[WAVEINFO_TEXTMAX];
    settingsSetAutoFillInfo(IsDlgButtonChecked(dlg, IDC_WI_AUTOFILL) == BST_CHECKED);
    for (int i = 0; i < InfoList.count; i++) {
        InfoItem *it = &InfoList.item[i];
        int control = 0, skip = 0;
        for (int f = 0; f < FIELD_COUNT; f++)
            if (strcmp(it->id, InfoFields[f].id) == 0)
                control = InfoFields[f].control;
        if (!control && dispType(it) == 1) {
            control = IDC_WI_TITLE;
            skip = 4;
        }
        if (!control)
            continue;
        GetDlgItemTextA(dlg, control, text, sizeof text);
        itemText(it, skip, had, sizeof had);
        if (strcmp(text, had) == 0)
            continue;
        if (skip) {
            /* A changed title: the item is made again with its type. */
            infoRemove(i);
            if (text[0])
                infoAddDisp(1, text);
            i--;
        } else if (text[0]) {
            infoSetText(i, text);
        } else {
            infoRemove(i);   /* an emptied field: nothing for the filters */
            i--;
        }
    }
    for (int f = 0; f < FIELD_COUNT; f++) {
        GetDlgItemTextA(dlg, InfoFields[f].control, text, sizeof text);
        if (text[0] && infoFind(InfoFields[f].id) < 0)
            infoAddText(InfoFields[f].id, text);
    }
    GetDlgItemTextA(dlg, IDC_WI_TITLE, text, sizeof text);
    int haveTitle = 0;
    for (int i = 0; i < InfoList.count; i++)
        haveTitle |= dispType(&InfoList.item[i]) == 1;
    if (text[0] && !haveTitle)
        infoAddDisp(1, text);
}

static INT_PTR CALLBACK WAVEINFOMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Info"))
        return TRUE;
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG: {
        frameCentre(dlg, NULL);
        for (int f = 0; f < FIELD_COUNT; f++)
            SendDlgItemMessageA(dlg, InfoFields[f].control, EM_LIMITTEXT, WAVEINFO_TEXTMAX - 1, 0);
        SendDlgItemMessageA(dlg, IDC_WI_TITLE, EM_LIMITTEXT, WAVEINFO_TEXTMAX - 1, 0);
        pictureFrame(dlg);
        showItems(dlg);
        CheckDlgButton(dlg, IDC_WI_AUTOFILL, Settings.autoFillInfo ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        paintPicture(dlg, dc);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            storeFields(dlg);
            dropBitmap();
            EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL:
            dropBitmap();
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case IDC_WI_ICON:
            choosePicture(dlg);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void waveInfoCommand(void)
{
    DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(ID_WAVEINFO), Frame.main, WAVEINFOMsgProc, 0);
}

/* The document's INFO hooks: New empties the list and may fill ISFT and ICRD. */
void waveInfoClear(void) { infoClear(); }

void waveInfoSet(const char *id, const char *text)
{
    int i = infoFind(id);
    if (i >= 0)
        infoSetText(i, text);
    else
        infoAddText(id, text);
}
