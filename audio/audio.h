/*
 * audio.h - what the main window and the commands call of the audio devices: the transport
 * commands, the device messages and timer, the device selection dialog, the play queue
 * window and the file preview of the Open dialog.  Win32 only; the window-free half of
 * playback is audio/playcore.h.
 */
#ifndef ZELO_AUDIO_H
#define ZELO_AUDIO_H

#include <windows.h>
#include <mmsystem.h>

#include "audio/playcore.h"
#include "audio/recordcore.h"
#include "audio/metercore.h"

#define PLAY_TIMER 123          /* main window timer moving the play cursor, 20 ms */

int  audioPlaying(void);
int  audioRecording(void);      /* recording into the document (not monitoring) */
int  audioMonitoring(void);     /* the input runs for the meter only */
/* The meter runs: monitoring, or playing or recording with the meter shown on play. */
int  audioMeterRunning(void);
/* Whether this program can record at all (the Record button is live when idle). */
#define AUDIO_CAN_RECORD 1
/* 1 when the system has a wave-out device at all (Play is offered only then). */
int  audioHaveOutput(void);

/* Commands. */
void audioCmdPlay(void);        /* 199 */
void audioCmdStop(void);        /* 198 */
void audioCmdPause(void);       /* 192 */
void audioCmdLoop(void);        /* 5010 */
void audioCmdSelectDevice(void);/* Select Wave Device */

void audioCmdRecord(void);      /* 194 */
void audioCmdMonitor(int notify); /* 5030, also the meter's notifications (code 2, 3: DC) */
void recordStop(void);          /* Stop while the input device is open */
void recordPause(void);         /* Pause / Continue while recording */
uint32_t recordPosition(void);  /* the frame being recorded now */

/* Main window messages. */
void audioOnWimData(HWAVEIN device, WAVEHDR *hdr);
void audioOnWimClose(HWAVEIN device);
void audioOnWomDone(HWAVEOUT device, WAVEHDR *hdr);
void audioOnWomClose(HWAVEOUT device);
void audioOnTimer(void);

/* Start-up (devices chosen by name) and shutdown (the device closed, buffers freed). */
void audioStartup(void);
void audioShutdown(void);
/* The devices chosen by name in the settings (devices.cpp), at start-up. */
void audioDevicesStartup(void);
/* The chosen wave-in device number. */
UINT audioWaveInDevice(void);
/* The chosen MIDI output device number (the composer's preview). */
UINT audioMidiOutDevice(void);
/* At shutdown: the input device reset and closed. */
void recordShutdown(void);

/* StartRecording: opens the input device for the document's format (monitoring: 8-bit for
   a 16-bit document with 8-bit conversion on) with buffers of durationMs (0: BufferSize over
   NumBuffers), recording to offset bytes on.  Returns 0 or a device error code, 0xFFF0..0xFFF3
   when memory for the buffers is missing. */
UINT StartRecording(uint32_t offset, uint32_t durationMs);

/* What recording asks of the editing engine (assigned by the shell): the undo copy of frames
   from..frames-1 before the recording (0: the user gave up), its abandonment when the device
   would not open, and the undo entry once the recording's `recorded` frames from first on
   are known (oldFrames: the wave's length before). */
struct RecordHooks {
    int  (*undoBefore)(uint32_t from, uint32_t frames);
    void (*undoAbandon)(void);
    void (*undoAfter)(uint32_t first, uint32_t recorded, uint32_t oldFrames);
};
extern RecordHooks RecordHook;

/* The level meter control (class ZeloMeter7, id 5030). */
LRESULT CALLBACK MeterWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
/* 1 or 2 bars; reset clears the clip indicators. */
void SetMeterChannels(int channels, int reset);
/* dB over the bar width, held to 6..120. */
void SetMeterRange(int db);
/* Measures a block of output or input samples of bits 8 or 16 and draws; NULL resets. */
void MeterFeed(const void *block, uint32_t bytes, int bits);
/* Draws levels l, r (fractions of full scale); -1 resets. */
void MeterUpdate(double l, double r);
/* ShowOnPlay is on: playback and recording feed the meter. */
int  MeterEnabled(void);
/* The registered message a test sends the meter for its state: wParam 0..9 (see meter.cpp). */
#define METER_STATE_MESSAGE "ZeloMeterState"

/* StartPlayback: plays length bytes from start (listEntry -1), or the play list from entry
   listEntry; positions count from rangeStart.  Returns 0 or a device error code, 0xFFFA..
   0xFFFD when memory for the buffers is missing. */
UINT StartPlayback(uint32_t start, uint32_t length, int listEntry, int showCursor, uint32_t rangeStart);
/* Plays the play list from entry `entry` to its end, or that entry alone (single).  Returns 0
   started, else nonzero (nothing playable, or a device error, which was shown). */
int  audioPlayList(int entry, int single);
/* The frame playing now; the cursor when idle. */
uint32_t PlayPosition(void);
/* show 0 removes the cursor column; otherwise moves it to the playing frame. */
void DrawPlayCursor(int show);

/* A selection drag ended during loop playback: that selection plays from now on. */
void audioLoopFollowSelection(uint32_t first, uint32_t last);
/* Around every paint of the main window (the cursor column is inverted on screen). */
void audioBeforePaint(void);
void audioAfterPaint(void);
/* The status fields' refresh (the view's UpdateStatusFields once it is plugged in). */
extern void (*PlayUpdateStatusFields)(void);

/* Device selection dialog; lParam unused. */
INT_PTR CALLBACK SELECTWAVEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
/* Re-evaluates the position correction for the chosen output device. */
void audioChooseCorrection(void);

/* Play queue: a small separate player of files read through file filters. */
#define PLAYQUEUE_CLASS "ZeloPlayQueue"
#define PLAYQUEUE_MAX   64
struct PlayQueueEntry {
    char     name[260];         /* file to play */
    int      filter;            /* file-filter table index */
    uint32_t bytes;             /* sample bytes to play, 0 the whole file */
};
/* Creates the (hidden) queue window playing the entries in order; notifyWnd gets notifyMsg
   with wParam 2 and the entry index when an entry ends, wParam 1 at the end.  closeWhenDone:
   the window closes itself at the end.  Returns the window or NULL. */
HWND audioPlayQueue(const PlayQueueEntry *entries, int count, HWND notifyWnd, UINT notifyMsg, int closeWhenDone);
LRESULT CALLBACK PlayQueueMsgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

/* File preview through MCI (the Open dialog's Auto Play); silent when the file cannot play. */
void audioPreviewFile(const char *name);
void audioPreviewStop(void);

#endif
