// docfile.cpp - open, save, save as and the save-changes question.
#include "docfile.h"

#include <commdlg.h>
#include <cstring>
#include <vector>

#include "appstrings.h"
#include "appui.h"
#include "docwindow.h"
#include "services.h"
#include "klvdoc.h"
#include "messdescr.h"
#include "varnok.h"

char LastDirectory[256];

namespace {

constexpr int kPathSize = 256;

// The filter of string 3: its last character separates the parts, and each
// separator becomes a NUL.
void BuildFilter(char* filter, int size)
{
    std::memset(filter, 0, size);
    LoadAppText(IDS_KLV_FILTER, filter, size - 1);
    const int length = lstrlenA(filter);
    if (length == 0)
        return;
    const char separator = filter[length - 1];
    for (int i = 0; i < length; ++i) {
        if (filter[i] == separator)
            filter[i] = '\0';
    }
}

void FillLastDirectoryIfEmpty()
{
    if (LastDirectory[0] == '\0')
        GetCurrentDirectoryA(sizeof LastDirectory, LastDirectory);
}

// The open and save-as dialogs alike: the .klv filter, the last folder and
// the chosen path in the caller's buffer of kPathSize bytes.
struct FileDialog {
    char filter[kPathSize];
    char fileTitle[kPathSize] = {};
    OPENFILENAMEA ofn = {};

    FileDialog(HWND owner, char* path)
    {
        BuildFilter(filter, sizeof filter);
        FillLastDirectoryIfEmpty();
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = path;
        ofn.nMaxFile = kPathSize;
        ofn.lpstrFileTitle = fileTitle;
        ofn.nMaxFileTitle = sizeof fileTitle;
        ofn.lpstrInitialDir = LastDirectory;
    }
};

// Everything before the file name, the trailing backslash included.
void SetLastDirectoryFrom(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    const int length = slash ? static_cast<int>(slash - path) + 1 : 0;
    lstrcpynA(LastDirectory, path, length + 1 < kPathSize ? length + 1 : kPathSize);
}

void GraphName(char* buf, int k)
{
    wsprintfA(buf, "Graph%d", k);
}

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// The text items of the document, each cut to its slot.
void CollectTexts(HWND document, MeasurementDocument& doc)
{
    for (int i = 0; i < kKlvTextItems; ++i) {
        const KlvTextSlot& slot = kKlvTextSlots[i];
        HWND part = DocumentPart(document, slot.name);
        char text[kPathSize] = {};
        if (part && i != kKlvKalib)
            GetWindowTextA(part, text, static_cast<int>(slot.width));
        doc.texts[i] = text;
    }
}

bool WriteDocumentFile(HWND document, HANDLE file)
{
    bool ok = WriteAll(file, kKlvMagic, kKlvMagicSize);
    for (int k = 1; k <= kKlvGraphWindows; ++k) {
        char name[16];
        GraphName(name, k);
        HWND graph = DocumentPart(document, name);
        ok = ok && graph && _SaveGraph(graph, file);
    }
    MeasurementDocument doc;
    CollectTexts(document, doc);
    std::uint8_t block[kKlvTextBlockSize];
    EncodeKlvTextBlock(doc, block);
    return ok && WriteAll(file, block, sizeof block) && FlushFileBuffers(file);
}

// A new file next to the document, so the old one survives a failed save.
bool MakeSiblingTempPath(const char* path, char* temp)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, path, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (slash)
        slash[1] = '\0';
    else
        lstrcpyA(folder, ".");
    return GetTempFileNameA(folder, "klv", 0, temp) != 0;
}

void ReadTexts(HWND document, HANDLE file)
{
    std::uint8_t block[kKlvTextBlockSize] = {};
    DWORD got = 0;
    if (!ReadFile(file, block, sizeof block, &got, nullptr))
        got = 0;
    MeasurementDocument doc;
    DecodeKlvTextBlock(block, got, doc);
    for (int i = 0; i < kKlvTextItems; ++i) {
        HWND part = DocumentPart(document, kKlvTextSlots[i].name);
        if (part)
            SetWindowTextA(part, i == kKlvKalib ? "" : doc.texts[i].c_str());
    }
}

void ShowCannotOpen(HWND owner, const char* path, DWORD error)
{
    char reason[512];
    SystemErrorText(error, reason, sizeof reason);
    ShowErrorMessage(owner, kAppCaption, IDS_CANNOT_OPEN, path, reason);
}

} // namespace

void LoadDocument(const char* path, HWND owner)
{
    HWND document = ActiveDocumentWindow();
    if (!document)
        return;
    // Reading only, shared with other readers: archived and write-protected
    // documents open as well.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // An empty window would look like a document: it goes, and the
        // user learns why.
        const DWORD error = GetLastError();
        SendMessageA(MdiClientWindow(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(document), 0);
        ShowCannotOpen(owner, path, error);
        return;
    }
    HCURSOR previous = SetCursor(WaitCursor());
    char magic[kKlvMagicSize] = {};
    DWORD got = 0;
    bool ok = ReadFile(file, magic, sizeof magic, &got, nullptr) && got == sizeof magic &&
              std::memcmp(magic, kKlvMagic, kKlvMagicSize) == 0;
    for (int k = 1; ok && k <= kKlvGraphWindows; ++k) {
        char name[16];
        GraphName(name, k);
        HWND graph = DocumentPart(document, name);
        ok = graph && _LoadGraph(graph, file);
    }
    if (ok)
        ReadTexts(document, file);
    CloseHandle(file);
    SetCursor(previous);
    if (!ok) {
        ShowErrorMessage(owner, kAppCaption, IDS_NOT_A_KLV_FILE);
        return;
    }
    SetDocumentNamed(document, true);
    SetDocumentModified(document, false);
}

int SaveDocument(HWND document)
{
    char path[kPathSize] = {};
    GetWindowTextA(document, path, sizeof path);
    char temp[MAX_PATH] = {};
    HANDLE file = INVALID_HANDLE_VALUE;
    // A write-protected document stays as it is, as when it is written in
    // place; the new file would otherwise replace it.
    const DWORD attributes = GetFileAttributesA(path);
    const bool writeProtected =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (DocumentTabControl(document) && !writeProtected && MakeSiblingTempPath(path, temp)) {
        file = CreateFileA(temp, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        if (temp[0])
            DeleteFileA(temp);
        ShowErrorMessage(document, kAppCaption, IDS_CANNOT_WRITE, path);
        return 0;
    }
    HCURSOR previous = SetCursor(WaitCursor());
    bool ok = WriteDocumentFile(document, file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    SetCursor(previous);
    if (!ok) {
        DeleteFileA(temp);
        ShowErrorMessage(document, kAppCaption, IDS_CANNOT_WRITE, path);
        return 0;
    }
    SetDocumentModified(document, false);
    SetDocumentNamed(document, true);
    return 1;
}

void SaveCommand(HWND owner)
{
    HWND document = ActiveDocumentWindow();
    if (!document)
        return;
    if (!DocumentIsNamed(document)) {
        SaveDocumentAs(owner);
        return;
    }
    if (DocumentIsModified(document))
        SaveDocument(document);
}

int SaveDocumentAs(HWND owner)
{
    HWND document = ActiveDocumentWindow();
    if (!document)
        return 0;
    char path[kPathSize] = {};
    FileDialog dialog(owner, path);
    dialog.ofn.lpstrDefExt = "klv";
    dialog.ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog.ofn))
        return 0;
    char oldTitle[kPathSize] = {};
    GetWindowTextA(document, oldTitle, sizeof oldTitle);
    SetWindowTextA(document, path);
    if (!SaveDocument(document))
        SetWindowTextA(document, oldTitle);
    SetLastDirectoryFrom(path);
    return 1;
}

void OpenDocumentFile(const char* path, HWND owner)
{
    MessDescr* record = AllocEmptyMessDescr();
    if (!record)
        return;
    if (!CreateDocumentWindow(path, record)) {
        FreeMessDescr(record);
        return;
    }
    LoadDocument(path, owner);
}

void OpenDocumentCommand(HWND owner)
{
    char path[kPathSize] = {};
    FileDialog dialog(owner, path);
    dialog.ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog.ofn))
        return;
    OpenDocumentFile(path, owner);
    SetLastDirectoryFrom(path);
}

int QuerySaveDocument(HWND owner)
{
    HWND document = ActiveDocumentWindow();
    if (!document || !DocumentIsModified(document))
        return 1;
    char title[kPathSize] = {};
    GetWindowTextA(document, title, sizeof title);
    char question[512];
    FormatAppText(question, sizeof question, IDS_ASK_SAVE_CHANGES, title);
    switch (MessageBoxA(owner, question, AppName(), MB_YESNOCANCEL | MB_ICONWARNING)) {
    case IDYES:
        if (!DocumentIsNamed(document))
            return SaveDocumentAs(owner);
        SaveDocument(document);
        return 1;
    case IDNO:
        return 1;
    default:
        return 0;
    }
}
