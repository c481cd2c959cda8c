// limitchoice.cpp - the chosen limit set (see limitchoice.h).
#include "limitchoice.h"

#include <set>

#include "appstrings.h"
#include "appui.h"
#include "services.h"
#include "settings.h"

namespace {

const char kLimitFileName[] = "Limiti.ini";
constexpr DWORD kSetNameBytes = 256;

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string InFolder(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder + kLimitFileName;
}

} // namespace

std::string MeasurementsLimitFile()
{
    char folder[MAX_PATH] = {};
    if (!ReadUserString(kProductKey, kDirectoryValue, folder, sizeof folder) || !folder[0])
        return std::string();
    return InFolder(folder);
}

std::string ProgramLimitFile()
{
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    std::string folder(program, length < sizeof program ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    folder.resize(slash == std::string::npos ? 0 : slash);
    return InFolder(folder);
}

std::string FindLimitFile()
{
    for (const std::string& path : {MeasurementsLimitFile(), ProgramLimitFile()}) {
        if (!path.empty() && FileExists(path))
            return path;
    }
    return std::string();
}

std::string ChosenLimitSetName()
{
    char name[kSetNameBytes] = {};
    if (!ReadSettingString(kLimitsValue, name, sizeof name))
        return std::string();
    return name;
}

void StoreChosenLimitSetName(const std::string& name)
{
    HKEY settings = OpenSettings(true);
    if (!settings)
        return;
    WriteStringBytes(settings, kLimitsValue, name.c_str(), static_cast<DWORD>(name.size() + 1));
    RegCloseKey(settings);
}

void ShowLimitProblem(HWND owner, const std::string& message)
{
    char text[2048];
    FormatAppString(text, sizeof text, IDS_LIMITS_NO_VERDICT, message.c_str());
    MessageBoxA(owner, text, kAppCaption, MB_OK | MB_ICONERROR);
}

bool LoadChosenLimitSet(HWND owner, LimitSet* set)
{
    const std::string name = ChosenLimitSetName();
    if (name.empty())
        return false;
    std::string problem;
    const std::string path = FindLimitFile();
    LimitFile file;
    LimitError error;
    if (path.empty()) {
        char text[1024];
        FormatAppString(text, sizeof text, IDS_LIMITS_NO_FILE, MeasurementsLimitFile().c_str(),
                        ProgramLimitFile().c_str());
        problem = text;
    } else if (!ReadLimitFile(path, file, error)) {
        problem = DescribeLimitError(error);
    } else if (const LimitSet* found = FindLimitSet(file, name)) {
        *set = *found;
        return true;
    } else {
        char text[1024];
        FormatAppString(text, sizeof text, IDS_LIMITS_SET_MISSING, name.c_str(), path.c_str());
        problem = text;
    }
    static std::set<std::string> reported;
    if (reported.insert(problem).second)
        ShowLimitProblem(owner, problem);
    return false;
}
