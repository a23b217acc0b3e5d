/*
 * The enabling rules: what a user can and cannot click in each state of the program.
 */
#include "shell/enabling.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

EnableInputs loadedStereo()
{
    EnableInputs in;
    memset(&in, 0, sizeof in);
    in.waveLoaded = 1;
    in.channels = 2;
    in.dataBytes = 4000;
    in.haveName = 1;
    in.haveFilters = 1;
    in.undoAvailable = 1;
    in.clipboardHasWave = 1;
    in.cdAvailable = 1;
    return in;
}

EnableResult run(const EnableInputs &in)
{
    EnableResult r;
    enableEvaluate(&in, &r);
    return r;
}

TEST(Enabling, ListHasTheFortyThreeCommands)
{
    EXPECT_EQ(43, EnableListedCount);
}

TEST(Enabling, NoWaveDisablesWhatNeedsOne)
{
    EnableInputs in;
    memset(&in, 0, sizeof in);
    in.channels = 1;
    in.haveFilters = 1;
    EnableResult r = run(in);
    for (int id : {IDM_COPY, IDM_CUT, IDM_SAVEAS, IDM_CLOSE, IDM_INFO, IDM_REVERSE, IDM_SELECTALL, IDM_VIEWRANGE, IDM_PASTE})
        EXPECT_TRUE(r.disabled(id)) << id;
    for (int id : {IDM_NEW, IDM_OPEN, IDM_OPENAS, IDM_PASTESPECIAL, IDM_SETTINGS, IDM_EXIT})
        EXPECT_FALSE(r.disabled(id)) << id;
}

TEST(Enabling, MonoWaveHasNoChannelChoiceAndForcesBoth)
{
    EnableInputs in = loadedStereo();
    in.channels = 1;
    in.editChannel = 2;
    EnableResult r = run(in);
    for (int id : {IDM_EDITLEFT, IDM_EDITRIGHT, IDM_EDITBOTH, IDM_EDITLEFTONLY, IDM_EDITRIGHTONLY})
        EXPECT_TRUE(r.disabled(id)) << id;
    EXPECT_EQ(0, r.editChannel);
}

TEST(Enabling, EmptyClipboardDisablesPasteButNotPasteSpecial)
{
    EnableInputs in = loadedStereo();
    in.clipboardHasWave = 0;
    EnableResult r = run(in);
    EXPECT_TRUE(r.disabled(IDM_PASTE));
    EXPECT_FALSE(r.disabled(IDM_PASTESPECIAL));
}

TEST(Enabling, SelectionCommandsNeedASelection)
{
    EnableInputs in = loadedStereo();
    EnableResult r = run(in);
    EXPECT_TRUE(r.disabled(IDM_DELETE));
    EXPECT_TRUE(r.disabled(IDM_TRIM));
    EXPECT_TRUE(r.disabled(IDM_SAVESEL));
    /* The clipboard rule brings Music back even without a selection. */
    EXPECT_FALSE(r.disabled(IDM_MUSIC));
    in.haveSelection = 1;
    r = run(in);
    EXPECT_FALSE(r.disabled(IDM_DELETE));
    EXPECT_FALSE(r.disabled(IDM_TRIM));
}

TEST(Enabling, EmptyWaveCannotBeCopiedOrReversed)
{
    EnableInputs in = loadedStereo();
    in.dataBytes = 0;
    EnableResult r = run(in);
    for (int id : {IDM_SELECTALL, IDM_ZEROCROSS, IDM_CUT, IDM_COPY, IDM_REVERSE, IDM_INVERT})
        EXPECT_TRUE(r.disabled(id)) << id;
    EXPECT_FALSE(r.disabled(IDM_PASTE));
}

TEST(Enabling, PlaybackLocksEditing)
{
    EnableInputs in = loadedStereo();
    in.haveSelection = 1;
    in.playing = 1;
    EnableResult r = run(in);
    for (int id : {IDM_UNDO, IDM_CUT, IDM_PASTE, IDM_DELETE, IDM_OPEN, IDM_NEW, IDM_SPECTRAL})
        EXPECT_TRUE(r.disabled(id)) << id;
    EXPECT_FALSE(r.disabled(IDM_COPY));
    EXPECT_FALSE(r.disabled(IDM_EXIT));
}

TEST(Enabling, UndoTextFollowsState)
{
    EnableInputs in = loadedStereo();
    EXPECT_EQ(0, run(in).undoTextKind);
    in.undoAvailable = 0;
    EXPECT_EQ(68, run(in).undoTextKind);
    EXPECT_TRUE(run(in).disabled(IDM_UNDO));
    in.undoSwitchedOff = 1;
    EXPECT_EQ(69, run(in).undoTextKind);
}

TEST(Enabling, RepeatOnlyReissuesWhatCouldRunNow)
{
    EnableInputs in = loadedStereo();
    in.undoKind = IDM_REVERSE;
    EnableResult r = run(in);
    EXPECT_FALSE(r.disabled(IDM_REPEAT));
    EXPECT_TRUE(r.lastCommandOk);
    in.undoKind = IDM_DELETE;   /* delete needs a selection, and there is none */
    EXPECT_TRUE(run(in).disabled(IDM_REPEAT));
    in.undoKind = 10275;        /* a cut of one channel is never repeated */
    EXPECT_TRUE(run(in).disabled(IDM_REPEAT));
    EXPECT_FALSE(run(in).lastCommandOk);
    in.undoKind = 0;
    EXPECT_TRUE(run(in).disabled(IDM_REPEAT));
}

TEST(Enabling, PluginsFollowTheirDeclarations)
{
    EnableInputs in = loadedStereo();
    in.plugins = 3;
    in.pluginCaps[0] = PLUG_STEREO16 | PLUG_MONO16;
    in.pluginCaps[1] = PLUG_MONO16;                 /* mono only */
    in.pluginCaps[2] = PLUG_STEREO16 | PLUG_MONO16 | PLUG_NOSINGLE;
    EnableResult r = run(in);
    EXPECT_FALSE(r.pluginOff[0]);
    EXPECT_TRUE(r.pluginOff[1]);
    EXPECT_FALSE(r.pluginOff[2]);
    in.editChannel = 1;   /* one channel edited: the rules see a mono wave */
    r = run(in);
    EXPECT_FALSE(r.pluginOff[1]);
    EXPECT_TRUE(r.pluginOff[2]);
    in.undoKind = IDM_XFM_FIRST + 2;
    EXPECT_TRUE(run(in).disabled(IDM_REPEAT));
}

TEST(Enabling, NoFiltersNoFiles)
{
    EnableInputs in = loadedStereo();
    in.haveFilters = 0;
    EnableResult r = run(in);
    for (int id : {IDM_SAVE, IDM_SAVESEL, IDM_OPENAPPEND, IDM_OPEN, IDM_REOPEN, IDM_SAVEAS, IDM_OPENAS})
        EXPECT_TRUE(r.disabled(id)) << id;
}

} // namespace
