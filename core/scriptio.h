/*
 * scriptio.h - what a command asks of the script recorder and runner: whether a script is
 * being recorded or runs, whether its dialogs should wait for the user, and the values
 * written into it and read back from it.  The scripts subsystem plugs itself in at start-up;
 * with no hooks, no script is ever recorded or running.
 */
#ifndef ZELO_SCRIPTIO_H
#define ZELO_SCRIPTIO_H

#include <stddef.h>
#include <stdint.h>

#define SCRIPTIO_MISSING (-999)

struct ScriptIoHooks {
    int    (*recording)(void);
    int    (*running)(void);
    int    (*showDialogs)(void);      /* a running script pauses at dialogs */
    void   (*recordLong)(long v);
    void   (*recordDouble)(double v);
    void   (*recordText)(const char *text);
    long   (*readLong)(void);         /* SCRIPTIO_MISSING for a missing value */
    double (*readDouble)(void);
    void   (*readText)(char *out, size_t size);
    void   (*abort)(void);            /* the command gave up: the run stops */
    void   (*rateChanged)(uint32_t oldRate, uint32_t newRate);   /* a recording rescales */
};
extern ScriptIoHooks ScriptIo;

static inline int scriptIoRecording(void) { return ScriptIo.recording && ScriptIo.recording(); }
static inline int scriptIoRunning(void) { return ScriptIo.running && ScriptIo.running(); }
/* A running script that does not pause at dialogs: dialogs confirm themselves. */
static inline int scriptIoSilent(void) { return scriptIoRunning() && !(ScriptIo.showDialogs && ScriptIo.showDialogs()); }

#endif
