// optionsdlg.h - the options dialog ("&Impostazioni...", command 11842): the
// device's serial port, automatic saving, the logo and the five lists of
// choices of the description dialog, all kept in the registry.
#ifndef OPTIONSDLG_H
#define OPTIONSDLG_H

#include <windows.h>

// Frame command 11842: shows the modal options dialog owned by the frame.
LRESULT OnCmdOptions(HWND frame, WORD command, WORD code, HWND control);

#endif
