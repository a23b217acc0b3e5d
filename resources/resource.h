/*
 * resource.h - every resource number of the program: menu commands, string-table entries,
 * dialogs and their controls, icons and cursors. Read by windres (plain #defines with
 * decimal literals only, no casts or suffixes) and by the C++ sources.
 * Named resources keep their names in the .rc files and are listed here as comments:
 * the menus "ZELOMENU" and "METERMENU", the accelerator tables "MenuAcc" and "NumsAcc",
 * and the button bitmaps ("INEW2", "ICDPlay", "Checkers", ...). Namespaces: command ids,
 * string ids, dialog ids and control ids are separate, so equal numbers do not clash.
 */
#ifndef ZELO_RESOURCE_H
#define ZELO_RESOURCE_H

/* ---- Icons and cursors ------------------------------------------------------------- */
#define IDI_ZELO                117   /* program icon, 32x32 and 16x16 */
#define IDC_SELECTCUR           161   /* selection cursor over the waveform area */
#define IDC_RIGHTCHAN           165   /* stereo: pointer in the right-channel zone */
#define IDC_LEFTCHAN            166   /* stereo: pointer in the left-channel zone */
#define IDC_GRAPHPOINT          167   /* envelope graph: over or dragging a point */

/* ---- Menu commands (ZELOMENU), also toolbar and script command ids ------------------ */
/* File */
#define IDM_NEW                 1050
#define IDM_NEWINSTANCE         1051
#define IDM_OPEN                1100
#define IDM_OPENAS              116
#define IDM_OPENAPPEND          135
#define IDM_REOPEN              1110
#define IDM_CLOSE               3148
#define IDM_SAVE                1151
#define IDM_SAVEAS              1150
#define IDM_SAVESEL             114
#define IDM_EXIT                1250
/* Edit */
#define IDM_UNDO                102
#define IDM_REPEAT              130
#define IDM_COPY                2050
#define IDM_CUT                 2150
#define IDM_PASTE               2100
#define IDM_PASTESPECIAL        2110
#define IDM_SELECTALL           115
#define IDM_ZEROCROSS           312
#define IDM_EDITLEFT            1001
#define IDM_EDITRIGHT           1002
#define IDM_DELETE              2200
#define IDM_TRIM                2210
#define IDM_TIME_DECIMAL        351
#define IDM_TIME_FRAMES         352
#define IDM_TIME_SAMPLES        353
#define IDM_TIME_SMPTE          354
#define IDM_VIEWRANGE           3147
#define IDM_SPECTRAL            2211
/* Transform and Generate */
#define IDM_BYTESWAP            112
#define IDM_ADJUSTRATE          109
#define IDM_CONVERT             120
#define IDM_REVERSE             3080
#define IDM_SILENCE             3140
#define IDM_INVERT              3100
#define IDM_MUSIC               3150
#define IDM_GENSILENCE          4100
/* Options */
#define IDM_LOOP                5010
#define IDM_MONITOR             5030
#define IDM_INFO                5050
#define IDM_ANALYSIS            5060
#define IDM_CDPLAYER            148
#define IDM_CUELIST             137
#define IDM_PLAYLIST            136
#define IDM_SCRIPTS             113
#define IDM_SELECTDEVICE        1222
#define IDM_TOOLBARSET          355
#define IDM_SETTINGS            5040
/* Help */
#define IDM_HELPCONTENTS        6050
#define IDM_QUICKREF            6100
#define IDM_FEATURES            101
#define IDM_ABOUT               5020

/* ---- Commands without a menu item (accelerators, buttons, toolbar, internal) ------- */
#define IDM_CARETRIGHT          104
#define IDM_CARETLEFT           105
#define IDM_EXTENDRIGHT         106
#define IDM_EXTENDLEFT          107
#define IDM_REPEATNODLG         131
#define IDM_HOLDSPECTRAL        134
#define IDM_TOOLSAVE            138
#define IDM_FOCUSNEXT           139
#define IDM_FOCUSPREV           323
#define IDM_FOCUSMAIN           140
#define IDM_CD_TITLE            141   /* CD title edit, kill-focus notification */
#define IDM_CD_EJECT            142
#define IDM_CD_STOP             143
#define IDM_CD_GOTOMARK         144
#define IDM_CD_MARK             145
#define IDM_CD_REWIND           146
#define IDM_CD_FORWARD          147
#define IDM_CD_PLAY             149
#define IDM_CD_TRACKS           150   /* CD track list (and the time read-out) */
#define IDM_PAUSE               192
#define IDM_RECORD              194
#define IDM_FULLVIEW            195
#define IDM_ZOOMOUT             196
#define IDM_ZOOMIN              197
#define IDM_STOP                198
#define IDM_PLAY                199
#define IDM_SELECTVIEW          253
#define IDM_DESELECT            254
#define IDM_ADDCUE              311
#define IDM_CDTRACK1            313   /* ... IDM_CDTRACK1 + 9 = 322: CD track 10 */
#define IDM_PAGEUP              324
#define IDM_PAGEDOWN            325
#define IDM_HOME                326
#define IDM_END                 327
#define IDM_EDITBOTH            340
#define IDM_EDITLEFTONLY        341
#define IDM_EDITRIGHTONLY       342
#define IDM_TIMEDRECORD         3000
#define IDM_NOACTION_F1         133   /* F1 in the main window does nothing */
#define IDM_XFM_FIRST           7000  /* transform plug-in n: IDM_XFM_FIRST + n */
#define IDM_XFM_LAST            7199
#define IDM_ANALYSIS_REFRESH    282   /* sent to the analysis window after edits */

/* Level meter popup menu ("METERMENU") */
#define IDM_METER_STARTSTOP     328
#define IDM_METER_SHOWONPLAY    329
#define IDM_METER_CLEARCLIP     330
#define IDM_METER_DCADJUST      331
#define IDM_METER_VALLEYS       332
#define IDM_METER_RANGE90       333
#define IDM_METER_RANGE75       334
#define IDM_METER_RANGE60       335
#define IDM_METER_RANGE45       336
#define IDM_METER_RANGE30       337
#define IDM_METER_DYNAMIC       338
#define IDM_METER_STATIC        339

/* ---- String table, numbered entries 1..115 ------------------------------------------- */
#define IDS_ERR_REGCLASS        1
#define IDS_ERR_CREATEWIN       2
#define IDS_SUGGEST_MONO        3
#define IDS_SUGGEST_STEREO      4
#define IDS_SUGGEST_CAPTION     5
#define IDS_INIFILE             8
#define IDS_HELPFILE            9
#define IDS_PROGNAME            10
#define IDS_TIP_FIRST           11    /* tooltips of toolbar rows 1..26: 11..36 */
#define IDS_TIP_NEW             11
#define IDS_TIP_OPEN            12
#define IDS_TIP_SAVE            13
#define IDS_TIP_NEWINST         14
#define IDS_TIP_SAVESEL         15
#define IDS_TIP_UNDO            16
#define IDS_TIP_TRIM            17
#define IDS_TIP_DELETE          18
#define IDS_TIP_COPY            19
#define IDS_TIP_CUT             20
#define IDS_TIP_PASTE           21
#define IDS_TIP_PASTESP         22
#define IDS_TIP_REVERSE         23
#define IDS_TIP_SILENCE         24
#define IDS_TIP_INVERT          25
#define IDS_TIP_MUSIC           26
#define IDS_TIP_GENSILENCE      27
#define IDS_TIP_LOOP            28
#define IDS_TIP_MONITOR         29
#define IDS_TIP_SETTINGS        30
#define IDS_TIP_ANALYSIS        31
#define IDS_TIP_INFO            32
#define IDS_TIP_SCRIPTS         33
#define IDS_TIP_CUELIST         34
#define IDS_TIP_PLAYLIST        35
#define IDS_TIP_CDPLAYER        36
#define IDS_TIP_CD_GOTOMARK     38    /* CD buttons 144,142,143,149,146,147,145: 38..44 */
#define IDS_TIP_CD_EJECT        39
#define IDS_TIP_CD_STOP         40
#define IDS_TIP_CD_PLAY         41
#define IDS_TIP_CD_REWIND       42
#define IDS_TIP_CD_FORWARD      43
#define IDS_TIP_CD_MARK         44
#define IDS_TIP_HELP            45    /* toolbar row 32 */
#define IDS_CANTUNDO            68
#define IDS_UNDODISABLED        69
#define IDS_ETA                 70
#define IDS_WORKING             77
#define IDS_PAUSED              78
#define IDS_CONTINUE            79
#define IDS_PAUSE               80
#define IDS_ERROR               83
#define IDS_ERR_LOADXFM         89
#define IDS_ERR_FLTCLASH        90
#define IDS_ERR_LOADFLT         91
#define IDS_UNTITLED            93
#define IDS_ERR_BUFFERSIZE      94
#define IDS_HELP_VIEWING        95
#define IDS_HELP_OPEN           96
#define IDS_HELP_PASTESPECIAL   97
#define IDS_CHOOSEWAVE          98
#define IDS_TITLE_PLAYLIST      99
#define IDS_TITLE_CUELIST       100
#define IDS_TITLE_ANALYSIS      101
#define IDS_ASK_CONVERT8        102
#define IDS_WARNING             104
#define IDS_ASK_NOUNDOMEM       105
#define IDS_VERSION             106
#define IDS_ERR_FLTUNSUPPORTED  108
#define IDS_TIP_EDITLEFT        111   /* toolbar rows 27..31: 111..115 */
#define IDS_TIP_EDITRIGHT       112
#define IDS_TIP_EDITBOTH        113
#define IDS_TIP_SPECTRAL        114
#define IDS_TIP_ZEROCROSS       115

/* ---- String table, texts without a given number: 200..299 ---------------------------- */
#define IDS_MAKER               200   /* maker line of the ISFT text "%s v.%s by %s" */
#define IDS_TIP_UNLOOP          201   /* tooltip of the loop button while looping */
#define IDS_MENU_WAVEVIEW       202   /* item 2211 while the spectral view is shown */
#define IDS_MENU_SPECTRALVIEW   203   /* item 2211 while the waveform is shown */
#define IDS_MENU_CUSTOMFRAMES   204   /* item 352, rewritten with the frame rate */
#define IDS_TRECORD             205   /* Record button caption in timed-record mode */
#define IDS_RECORD              206
#define IDS_OPENCUELIST         207   /* play list button while the cue list is closed */
#define IDS_ADDBEFORE           208   /* the same button while the cue list is open */
#define IDS_ABOUT_LINE          209   /* one-line description in the about box */
#define IDS_BTN_ZOOMIN          210   /* transport/zoom button captions */
#define IDS_BTN_ZOOMOUT         211
#define IDS_BTN_FULLVIEW        212
#define IDS_BTN_PLAY            213
#define IDS_BTN_PAUSE           214
#define IDS_BTN_STOP            215
#define IDS_NOCD                216

/* ---- Dialogs with the numbers they are known by ---------------------------------------- */
#define IDD_ANALYSIS            113   /* "Analysis", modeless */
#define IDD_SCRIPTS             120   /* "Zelo Scripts" */
#define IDD_EDITPOINT           125   /* "Edit Point" of the envelope graph */
#define IDD_CONVERT             130   /* "Convert Sample Type" */
#define IDD_BATCH               131   /* "Batch Process" */
#define IDD_NEWWAVE             157   /* "New Waveform" (also rate adjust, raw PCM) */
#define IDD_TOOLBARSET          166   /* "Toolbar Settings" */
#define IDD_SETTINGS            168   /* "Settings" with a tab control */
/* Dialogs known by name, numbered here: 170..189 */
#define ID_ABOUT_BOX            170
#define ID_SAMPLESDLG           171   /* "Viewing Range" */
#define ID_WAVEINFO             172   /* "Wave Information" */
#define ID_CUEDIALOG            173   /* "Cue List / Ranges", modeless */
#define ID_PLAYBOX              174   /* "Play List", modeless */
#define ID_SILENCE              175   /* "Generate Silence" */
#define IDD_BYTESWAP            176   /* "Byte Swap" */
#define ID_PASTESPECIAL         177   /* "Paste Special" */
#define ID_PROGRESS             178   /* progress meter, modeless, no caption */
#define IDD_SELECTWAVE          179   /* "Select Wave Device" */
#define IDD_CUEBATCH            180   /* "Batch Process Phrases" */
#define IDD_SETPAGE_DISPLAY     181   /* Settings pages: child dialogs placed in the tab */
#define IDD_SETPAGE_SYSTEM      182
#define IDD_SETPAGE_COLORS      183

/* ---- Controls shared by dialogs ------------------------------------------------------- */
#define IDC_HELPBTN             222   /* every "?" button except the Settings dialog's */

/* About box */
#define IDC_ABOUT_ICON          3900
#define IDC_ABOUT_NAME          3901  /* program name, set by the dialog */
#define IDC_ABOUT_VERSION       3902  /* version text, set by the dialog */
#define IDC_ABOUT_LINE          3903

/* Viewing Range */
#define IDC_VR_FROM             1000
#define IDC_VR_TO               1001

/* Select Wave Device: drop-down lists of product names */
#define IDC_DEV_WAVEOUT         3910
#define IDC_DEV_WAVEIN          3911
#define IDC_DEV_MIDIOUT         3912
#define IDC_DEV_MIDIIN          3913

/* Settings (168) and its pages */
#define IDC_SET_TAB             3920
#define IDC_SET_HELP            3159
#define IDC_SET_DOTS            326   /* Display page */
#define IDC_SET_LINES           327
#define IDC_SET_PASTEHILITE     303
#define IDC_SET_OLDBOXES        3102
#define IDC_SET_MAXDISPLAY      3124
#define IDC_SET_TIMECODE        3096
#define IDC_SET_RESOLUTION      1015
#define IDC_SET_BUFSIZE         304   /* System page */
#define IDC_SET_NUMBUFFERS      305
#define IDC_SET_TEMPDIR         3067
#define IDC_SET_COMPRESSED      3037
#define IDC_SET_UNDODIR         3068
#define IDC_SET_UNDOLEVELS      3131
#define IDC_SET_UNDO            1002
#define IDC_SET_16TO8           337
#define IDC_SET_DITHER          110
#define IDC_SET_PLAYCURSOR      3101
#define IDC_SET_WAVECOLOR       3125  /* Colors page: "Choose..." buttons */
#define IDC_SET_HIGHCOLOR       3126
#define IDC_SET_LOWCOLOR        3127
#define IDC_SET_WAVESWATCH      3921  /* frames the dialog paints in the chosen colours */
#define IDC_SET_HIGHSWATCH      3922
#define IDC_SET_LOWSWATCH       3923
#define IDC_SET_REVERSE         3036
#define IDC_SET_DEFCOLORS       3088

/* New Waveform (157) */
#define IDC_NW_NOTE             3029
#define IDC_NW_RATE             321
#define IDC_NW_RATELIST         3065
#define IDC_NW_MONO             107
#define IDC_NW_STEREO           108
#define IDC_NW_8BIT             110
#define IDC_NW_16BIT            111
#define IDC_NW_RAWGROUP         3940  /* raw mode only: byte order and compression codes */
#define IDC_NW_BYTEORDER        3941
#define IDC_NW_COMPRESSION      3942
#define IDC_NW_BYTEORDERLBL     3943
#define IDC_NW_COMPRESSLBL      3944

/* Generate Silence and Byte Swap */
#define IDC_SIL_TIME            230
#define IDC_BS_TEXT             3055

/* Convert Sample Type (130) */
#define IDC_CV_FROM             1019
#define IDC_CV_RATE             321
#define IDC_CV_RATELIST         3065
#define IDC_CV_LOW              2001
#define IDC_CV_MEDIUM           2002
#define IDC_CV_HIGH             2003
#define IDC_CV_XHIGH            2004  /* hidden */
#define IDC_CV_MONO             107
#define IDC_CV_STEREO           108
#define IDC_CV_8BIT             110
#define IDC_CV_16BIT            111
#define IDC_CV_LEFTMIX          3067
#define IDC_CV_RIGHTMIX         3096
#define IDC_CV_DITHER           3036
#define IDC_CV_EMPHASIS         3124  /* hidden with its label */
#define IDC_CV_EMPHASISLBL      3945

/* Paste Special */
#define IDC_PS_LSCROLL          220
#define IDC_PS_RSCROLL          221
#define IDC_PS_LEDIT            224
#define IDC_PS_REDIT            225
#define IDC_PS_LINVERT          3036
#define IDC_PS_RINVERT          3037
#define IDC_PS_LOCK             162
#define IDC_PS_LOOP             217
#define IDC_PS_TIMES            219
#define IDC_PS_OVERLAP          213
#define IDC_PS_MODULATE         3101
#define IDC_PS_CONVOLUTE        3102  /* hidden */
#define IDC_PS_FROMCLIP         3039
#define IDC_PS_FROMFILE         3040
#define IDC_PS_SELECTFILE       3038

/* Progress meter */
#define IDC_PR_TITLE            109
#define IDC_PR_ETA              118
#define IDC_PR_PERCENT          121   /* also the command that moves the bar */
#define IDC_PR_BAR              1003  /* hidden frame: the area of the bar */
#define IDC_PR_ORIGIN           292   /* hidden 1x1 static at the dialog origin */
#define IDC_PR_LABEL            3053
#define IDC_PR_STATE            3086
#define IDC_PR_PAUSE            3121

/* Edit Point (125) */
#define IDC_EP_X                3067
#define IDC_EP_Y                3096
#define IDC_EP_XUNITS           3097
#define IDC_EP_YUNITS           3098
#define IDC_EP_XTITLE           3099
#define IDC_EP_YTITLE           3100

/* Analysis (113) */
#define IDC_AN_GRAPH            308
#define IDC_AN_CURSORLBL        3060
#define IDC_AN_CURSOR           1017
#define IDC_AN_FREQLBL          3061
#define IDC_AN_FREQ             3041
#define IDC_AN_LINEVIEW         3059
#define IDC_AN_SCAN             3125
#define IDC_AN_FILTER           3088  /* hidden */

/* Cue List / Ranges */
#define IDC_CUE_LIST            3950
#define IDC_CUE_LABEL           3951
#define IDC_CUE_DESC            3952
#define IDC_CUE_DEL             3953
#define IDC_CUE_MERGE           3954
#define IDC_CUE_BATCH           3955
#define IDC_CUE_AUTOZOOM        3956
#define IDC_CUE_LABELLBL        3957
#define IDC_CUE_DESCLBL         3958
#define IDC_CUE_ADD             325
#define IDC_CUE_GOTO            329   /* command run by a double click on a line */

/* Batch Process Phrases */
#define IDC_CB_SILENCE          3960
#define IDC_CB_BEFORE           3961
#define IDC_CB_AFTER            3962
#define IDC_CB_FILES            3963
#define IDC_CB_PREFIX           3964
#define IDC_CB_DESTDIR          3965
#define IDC_CB_BROWSE           3966
#define IDC_CB_FORMAT           3967
#define IDC_CB_OPTIONS          3968

/* Play List */
#define IDC_PL_LIST             328
#define IDC_PL_ADDBEFORE        325
#define IDC_PL_REMOVE           331
#define IDC_PL_LOOPS            335
#define IDC_PL_PLAY             334
#define IDC_PL_AUTOCUE          3080
#define IDC_PL_LOOPSLBL         3971

/* Zelo Scripts (120) */
#define IDC_SCR_COLLECTION      3077
#define IDC_SCR_LIST            3065
#define IDC_SCR_OPEN            3072
#define IDC_SCR_RUN             3066
#define IDC_SCR_BATCH           3074
#define IDC_SCR_EDIT            3068
#define IDC_SCR_DELETE          3069  /* hidden */
#define IDC_SCR_PAUSEDLG        3036
#define IDC_SCR_ALERT           3037
#define IDC_SCR_RELATIVE        3101
#define IDC_SCR_TITLE           3067
#define IDC_SCR_RECORD          3070
#define IDC_SCR_STOP            3071
#define IDC_SCR_ADD             3073
#define IDC_SCR_CLEAR           3075
#define IDC_SCR_DESC            3078
#define IDC_SCR_MODE            3970  /* the mode labels of the selected script */

/* Batch Process (131) */
#define IDC_BT_INFO             3980
#define IDC_BT_FILESLBL         3981
#define IDC_BT_FILES            3982
#define IDC_BT_ADD              3983
#define IDC_BT_REMOVE           3984
#define IDC_BT_DESTDIR          3985
#define IDC_BT_BROWSE           3986
#define IDC_BT_FORMAT           3987
#define IDC_BT_OPTIONS          3988
#define IDC_BT_TEMPLATE         3989
#define IDC_BT_OVERWRITE        3990
#define IDC_BT_NOUNDO           3991
#define IDC_BT_RAW              3992
#define IDC_BT_BEGIN            3993

/* Toolbar Settings (166) */
#define IDC_TB_LIST             3994
#define IDC_TB_UP               3143
#define IDC_TB_DOWN             3144
#define IDC_TB_ZAP              3088
#define IDC_TB_TOOLHELP         3995
#define IDC_TB_SAVEAS           3996
#define IDC_TB_SAVENOW          3997

/* Wave Information: the fourteen INFO fields, the display title and picture */
#define IDC_WI_IART             263
#define IDC_WI_ICMT             262
#define IDC_WI_ICOP             276
#define IDC_WI_ICRD             275
#define IDC_WI_IENG             271
#define IDC_WI_IGNR             265
#define IDC_WI_IKEY             266
#define IDC_WI_IMED             268
#define IDC_WI_INAM             264
#define IDC_WI_ISFT             273
#define IDC_WI_ISRC             270
#define IDC_WI_ITCH             272
#define IDC_WI_ISBJ             274
#define IDC_WI_ISRF             269
#define IDC_WI_TITLE            261
#define IDC_WI_PICTURE          3062
#define IDC_WI_ICON             322
#define IDC_WI_AUTOFILL         3036

/* Child templates of the common Open and Save dialogs (explorer style) */
#define IDD_OPENEXTRA           184   /* the highlighted file's description, auto play */
#define IDD_SAVEEXTRA           185   /* the Options button */
#define IDD_BATCHPROGRESS       186   /* a batch's progress, modeless */
#define IDC_BP_FILE             3994
#define IDC_BP_COMMAND          3995
#define IDC_FD_FORMAT           4001
#define IDC_FD_SIZE             4002
#define IDC_FD_TYPE             4003
#define IDC_FD_LENGTH           4004
#define IDC_FD_AUTOPLAY         4005
#define IDC_FD_OPTIONS          4006
#define IDC_FD_FORMATLBL        4007
#define IDC_FD_SIZELBL          4008
#define IDC_FD_TYPELBL          4009
#define IDC_FD_LENGTHLBL        4010
#define IDC_FD_HELP             4011

/* Music (modeless): the composer's window */
#define IDD_MUSIC               187   /* "Music" */
#define IDC_MU_REFRESH          282   /* the selection changed (sent by the view) */
#define IDC_MU_ROLL             4300  /* the piano roll the window paints */
#define IDC_MU_LIST             4301  /* the notes, one a line */
#define IDC_MU_NOTE             4302
#define IDC_MU_OCTAVE           4303
#define IDC_MU_LENGTH           4304
#define IDC_MU_ADD              4305
#define IDC_MU_INSERT           4306
#define IDC_MU_DELETE           4307
#define IDC_MU_TEMPO            4308
#define IDC_MU_REF              4309  /* the note the selection sounds as */
#define IDC_MU_REFFREQ          4310
#define IDC_MU_INFO             4311  /* selection and song lengths */
#define IDC_MU_SONG             4312  /* song names of songs.ini */
#define IDC_MU_SAVE             4313
#define IDC_MU_LOAD             4314
#define IDC_MU_REMOVE           4315
#define IDC_MU_PLAY             4316
#define IDC_MU_STOP             4317
#define IDC_MU_MAKE             4318
/* Its labels have ids of their own: a static 0xFFFF is what marks a message box. */
#define IDC_MU_NOTELBL          4320
#define IDC_MU_OCTAVELBL        4321
#define IDC_MU_LENGTHLBL        4322
#define IDC_MU_TEMPOLBL         4323
#define IDC_MU_BEATSLBL         4324
#define IDC_MU_REFLBL           4325
#define IDC_MU_SONGLBL          4326
#define IDC_MU_RULE             4327

/* Strings 1300-1319: devices, layout and other user-interface texts. */
#define IDS_NOPLAYDEVICE        1300   /* Play with no wave-out device */
#define IDS_DEV_NONE            1301   /* the device line when there is none */
#define IDS_NORECDEVICE         1302   /* Record or Monitor with no wave-in device */
#define IDS_REC_NOSPACE         1303   /* a recording stopped by the space left */

#endif /* ZELO_RESOURCE_H */
