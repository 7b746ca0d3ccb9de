// Ids the framework itself uses: its standard commands, its string-table entries and its bar ids, with the
// numbers of the framework this layer is shaped after. The program's resource.h includes this file (the
// resource script needs the same numbers), never the other way round; plain #defines so windres reads it.
#ifndef PELLORAN_AFXRES_H
#define PELLORAN_AFXRES_H

// Standard commands.
#define ID_FILE_SAVE 57603
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393
#define ID_SEPARATOR 0

// Bar ids: a frame finds its toolbar and status bar by these child-window ids.
#define AFX_IDW_TOOLBAR 59392
#define AFX_IDW_STATUS_BAR 59393

// Strings: the application title (message-box captions) and the status bar's idle text.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345

// Resource type of toolbar layouts (button ids and picture size).
#define RT_TOOLBAR_TYPE 241

#endif
