/*
 * varnok.h - the public interface of varnok.dll
 *
 * varnok.dll supplies graph windows (window class "GraphWindow"), the graph
 * record file format, text export and printing of a graph, the serial link to
 * the force-measuring device with its receive thread, and signal processing.
 *
 * Every call is a plain C function with the cdecl convention (the caller
 * removes the arguments); the exported names carry the leading underscore
 * and are undecorated in both the 32- and the 64-bit library. Results are 1
 * for success and 0 for failure or refusal unless a call says otherwise.
 *
 * Threads: the graph calls run on the thread that owns the graph window.
 * The serial calls run on the caller's user-interface thread (the one whose
 * window receives WM_COMDATA); _ShiftCounter is meant to be called from
 * within the handling of WM_COMDATA. The library takes no locks.
 *
 * The library's own sources define VARNOK_BUILD before including this file
 * (or get it from the build) so that the calls are exported, not imported.
 *
 * This header is for Windows code only: it includes <windows.h>.
 */
#ifndef VARNOK_H
#define VARNOK_H

#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#ifdef VARNOK_BUILD
#define VARNOK_API __declspec(dllexport)
#else
#define VARNOK_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The message by which the receive thread hands a block of received bytes to
 * the window given to _InitCom. wParam: the block size in bytes; lParam: the
 * address of the block's first byte inside the receive buffer. Sent
 * synchronously: the bytes stay in place while the message is handled. */
#define WM_COMDATA (WM_USER + 10)

/* Most graphs a graph window holds. */
#define GRAPH_MAX_GRAPHS 1024

/* The 32-bit library keeps its records as the byte images that graph files
 * hold (4-byte packing: a GraphRecord is 84 bytes, a GraphData block 5284).
 * The 64-bit library aligns them naturally; files are written field by field
 * and are the same from both. */
#if !defined(_WIN64)
#pragma pack(push, 4)
#endif

/* One graph of a graph window. The order and types of the fields are part of
 * the interface: the measurement program reads and writes them directly. */
typedef struct GraphRecord {
    int32_t nSize;     /* capacity of the buffer in samples */
    uint32_t nBuffEnd; /* valid samples = next write position of _AddValue */
    double dTimeBase;  /* seconds between two samples */
    double dMinValue;  /* physical value of raw 0 */
    double dMaxValue;  /* physical value of raw nMaxBit */
    int16_t nMinBit;   /* lowest raw value of the graph's range */
    int16_t nMaxBit;   /* raw full-scale value */
    char szUnit[10];   /* physical unit, NUL-terminated */
    char szName[30];   /* graph name, NUL-terminated (at most 29 characters) */
    int16_t* pData;    /* nSize samples, owned by the library */
    HTREEITEM hItem;   /* the graph's item in the graph list, or NULL */
} GraphRecord;

/* The plot rectangle in client pixels, 16-bit fields in this order. */
typedef struct GraphPlotRect {
    int16_t left;
    int16_t right;
    int16_t bottom;
    int16_t top;
} GraphPlotRect;

/* The data block of one graph window (window property "GraphData"). The order
 * and types of the fields are part of the interface. */
typedef struct GraphData {
    int16_t nMaxBit;                        /* raw full scale of the y axis (from graph 1) */
    int16_t nMinBit;                        /* raw bottom of the y axis (from graph 1) */
    int16_t nZoomMinBit;                    /* raw value at the bottom of the displayed range */
    int16_t nZoomMaxBit;                    /* raw value at the top of the displayed range */
    GraphPlotRect rcPlot;                   /* plot rectangle, set by each full redraw */
    double dTimeMin;                        /* time of sample 0 (seconds) */
    double dTimeMax;                        /* end of the full x range */
    double dZoomTimeMin;                    /* start of the displayed x range */
    double dZoomTimeMax;                    /* end of the displayed x range */
    double dMaxValue;                       /* physical value at nMaxBit (from graph 1) */
    double dMinValue;                       /* physical value at raw 0 (from graph 1) */
    double dSpare;                          /* kept in files only */
    uint32_t nXLines;                       /* x grid divisions */
    uint32_t nYLines;                       /* y grid divisions */
    char szAxisLabel[20];                   /* x-axis title */
    int32_t bDragging;                      /* a zoom rectangle is being dragged */
    int32_t nSpare1[2];                     /* kept in files only (1, 1) */
    int32_t bPaintEnabled;                  /* painting allowed; 0 while _LoadGraph runs */
    int32_t bRedraw;                        /* the cached image is stale */
    RECT rcDrag;                            /* zoom drag rectangle: left, top, right, bottom */
    HMENU hPopupMenu;                       /* the context menu */
    HWND hGraphList;                        /* the graph list (tree view) */
    int32_t nTimeFormat;                    /* time format number, shown and kept in files */
    int32_t nGraphs;                        /* graphs held, 0 to GRAPH_MAX_GRAPHS */
    int32_t nShown[4];                      /* display slots: 1-based graph number or 0 */
    int32_t nSpare2;                        /* not interpreted */
    int32_t nStyle;                         /* x-axis label flags */
    char szNotes[1000];                     /* free notes text, NUL-terminated */
    int32_t nCursorMode;                    /* 1 = zoom mode, otherwise cursor mode */
    double dCursorTime;                     /* time at the measuring cursor */
    GraphRecord* pGraphs[GRAPH_MAX_GRAPHS]; /* the graphs, in the order added */
} GraphData;

#if !defined(_WIN64)
#pragma pack(pop)
#endif

/* ---- Serial link ------------------------------------------------------- */

/* Opens the port szPort ("COM1") with the line settings of szDefinition (the
 * form BuildCommDCBA accepts, e.g. "baud=19200 parity=N data=8 stop=1"),
 * allocates a receive buffer of nBufferSize bytes and creates the receive
 * thread suspended. Every nBlockSize received bytes are sent to hNotifyWnd as
 * WM_COMDATA. bDebugOut = 1 shows the DEBUGOUT window with a dump of every
 * block. Result: the port handle, which the caller may use for its own
 * transfers while the thread is still suspended; NULL on failure (call
 * _CloseCom afterwards all the same). UI thread. */
VARNOK_API HANDLE _InitCom(HWND hNotifyWnd, LPCSTR szPort, LPCSTR szDefinition, int nBufferSize,
                           int bDebugOut, int nBlockSize);

/* Purges the port (all four purge actions) and resumes the receive thread.
 * Result: the thread's previous suspend count. UI thread. */
VARNOK_API DWORD _EnableCOMThread(void);

/* Suspends the receive thread wherever it is; the block under construction
 * is kept. Result: the thread's previous suspend count. UI thread. */
VARNOK_API DWORD _DisableCOMThread(void);

/* Writes the low 8 bits of nCommand to the port (one blocking write).
 * Result: nonzero when the byte was written. UI thread. */
VARNOK_API int _SendCommand(int nCommand);

/* The receive thread reads and discards nCount bytes before it stores the
 * next one (replaces a pending count; 0 discards nothing). Result: nCount.
 * Called from within the handling of WM_COMDATA. */
VARNOK_API int _ShiftCounter(int nCount);

/* Stops the receive thread and releases the port, the receive buffer and the
 * debug window. Safe after a failed _InitCom and when nothing is open. May be
 * called from the UI thread, also from within the handling of WM_COMDATA.
 * Neither the buffer nor the port is released while the thread can still
 * touch them: from the user interface the call waits for the thread (up to
 * one read time-out), handling the block the thread may be sending meanwhile;
 * from within the handling of a block the thread ends, and releases them,
 * once that handling returns. A block already being sent may still arrive
 * during the call. */
VARNOK_API void _CloseCom(void);

/* The physical value of raw count nRaw in graph nIndex of pGraphData:
 * dMinValue + nRaw / nMaxBit * (dMaxValue - dMinValue), in double precision.
 * nIndex is not checked. Any thread. */
VARNOK_API double _Bit2ValByIndex(int nRaw, GraphData* pGraphData, int nIndex);

/* ---- Graph windows ----------------------------------------------------- */

/* The window procedure of the class "GraphWindow" (registered when the
 * library is loaded). Style bit 0x0010 shows the graph list, 0x0001 draws an
 * etched frame. EM_GETMODIFY returns the "Dirty" property, EM_SETMODIFY
 * stores wParam as "Dirty" and returns 1. */
VARNOK_API LRESULT CALLBACK GraphWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

/* The window's GraphData block; NULL for a window that has none. The block
 * stays valid until the window is destroyed. */
VARNOK_API GraphData* _GetDataPtr(HWND hGraphWnd);

/* The sample buffer of graph nIndex (0-based; not checked). */
VARNOK_API int16_t* _GetGraphDataPtr(HWND hGraphWnd, int nIndex);

/* Appends a graph with a zero-filled buffer of nSize samples. The name is
 * stored cut to 29 characters (the caller's text is not changed). The first
 * graph of a window sets the window's y scaling and is shown in slot 0.
 * Sets the "Dirty" property to 1, even when it fails. Result: 1 = added,
 * 0 = the window holds 1024 graphs already or memory is short. */
VARNOK_API int _AddGraph(HWND hGraphWnd, LPCSTR szName, LPCSTR szUnit, double dMinValue,
                         double dMaxValue, int16_t nMinBit, int16_t nMaxBit, double dTimeBase,
                         int32_t nSize);

/* Appends one raw value to graph nIndex (not checked) and draws the new line
 * segment straight onto the window; a full buffer starts again at position 0
 * and forces a full redraw. Result: always 1. */
VARNOK_API int _AddValue(HWND hGraphWnd, int nIndex, int16_t nValue);

/* Appends nCount raw values from pValues to graph nIndex (not checked), as
 * that many calls of _AddValue would, and draws their line segments onto the
 * window in one pass: the window shows the same pixels. A buffer that fills
 * up starts again at position 0 and forces a full redraw, also in the middle
 * of the run. Nothing happens for a null pValues or nCount <= 0. Result:
 * always 1. */
VARNOK_API int _AddValues(HWND hGraphWnd, int nIndex, const int16_t* pValues, int nCount);

/* Sets the number of valid samples of graph nIndex and forces a full redraw.
 * Result: 1; 0 (nothing changed) when nIndex >= nGraphs or nBuffEnd > nSize. */
VARNOK_API int _SetGraphBuffEnd(HWND hGraphWnd, uint32_t nBuffEnd, int nIndex);

/* Stores the x-label flags and the grid divisions and sets the full and the
 * displayed x range to dStart..dEnd. Does not repaint. */
VARNOK_API void _SetGraphStyle(HWND hGraphWnd, int nStyle, uint32_t nXLines, uint32_t nYLines,
                               double dStart, double dEnd);

/* Adds an information text below graph nIndex in the graph list and expands
 * (bExpand nonzero) or collapses that graph's item; a graph without an item
 * of its own (added while the list was hidden) gets the text at the list's
 * top level. Result: 1; 0 when nIndex >= nGraphs. */
VARNOK_API int _AddInfoString(HWND hGraphWnd, LPCSTR szText, int nIndex, int bExpand);

/* Shows the modal notes dialog of the window. Result: 1 after it closed. */
VARNOK_API int _DisplayNotes(HWND hGraphWnd);

/* Stores the cursor mode (1 = zoom, any other value = cursor mode, stored
 * unchanged) and checks the matching entry of the context menu. */
VARNOK_API void _SetCursorMode(HWND hGraphWnd, int nMode);

/* The stored cursor mode. */
VARNOK_API int _GetCursorMode(HWND hGraphWnd);

/* ---- Graph file records ------------------------------------------------ */

/* Appends the window's graph record (title, block, graphs) at the current
 * position of the open file hFile. Result: 1 = written; 0 = the window has
 * no block (nothing written) or a write failed. */
VARNOK_API int _SaveGraph(HWND hGraphWnd, HANDLE hFile);

/* Reads the next graph record from the open file hFile into the window.
 * Result: 1 = read; 0 = no record found, the window has no block, or the
 * record is damaged (cut short, more than 1024 graphs, a negative capacity):
 * a damaged record leaves the window as it was. */
VARNOK_API int _LoadGraph(HWND hGraphWnd, HANDLE hFile);

/* ---- Export and printing ----------------------------------------------- */

/* Appends all graphs of the window as a tab-separated text table to the open
 * file hFile: a header naming the columns, then one row per sample of graph
 * 0's capacity (time, then each graph's physical value). Shows the wait
 * cursor. Result: 1; 0 for a window that is not a graph window. */
VARNOK_API int _ASCIIExport(HWND hGraphWnd, HANDLE hFile);

/* Draws title, axes and graph 0 of the window into the rectangle x, y, cx, cy
 * of the device context hDC (printer pixels), with 9- and 7-point Arial for
 * the device. The window's plot rectangle is the same afterwards. Result: 1;
 * 0 for a window that is not a graph window or no device context. */
VARNOK_API int _PrintGraph(HWND hGraphWnd, HDC hDC, int x, int y, int cx, int cy);

/* ---- Signal processing ------------------------------------------------- */

/* Replaces the samples of graph nIndex by their centred moving average over
 * nLength samples (1 to 999), in place. Does not repaint. Graphs under 20
 * samples, lengths of 0, above 999 or above the graph's nSize, and a graph
 * that does not exist are left unchanged. */
VARNOK_API void _Smooth(HWND hGraphWnd, int nLength, int nIndex);

/* The low-pass entry point: leaves every graph unchanged. Result: 1. */
VARNOK_API int _Tiefpass(HWND hGraphWnd);

/* 0.5 / dTimeBase of graph nIndex, in hertz; 0 for a graph that does not
 * exist or a time base that is not positive. */
VARNOK_API double _GetNyquistFreq(HWND hGraphWnd, int nIndex);

/* The number m of spectral values _FFT delivers for graph nIndex with the
 * same overlap flag; 0 for a graph that does not exist. */
VARNOK_API int _GetSpektralBuffSize(HWND hGraphWnd, int bOverlap, int nIndex);

/* Writes the power spectrum of graph nIndex as m raw values on a decibel
 * scale of span nDecibelSpan into pOutput (m values, see
 * _GetSpektralBuffSize). nUnused is ignored. Result: m. Bins without power
 * before any bin with power hold 0. Result 0, nothing written: no such graph,
 * pOutput null, nDecibelSpan not positive, or a window without y scale
 * (nMaxBit 0). */
VARNOK_API int _FFT(HWND hGraphWnd, int16_t* pOutput, int nDecibelSpan, int nUnused, int bOverlap,
                    int nIndex);

#ifdef __cplusplus
}
#endif

#endif /* VARNOK_H */
