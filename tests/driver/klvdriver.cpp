// klvdriver: a small Windows program that drives the Klemva programs under
// Wine the way a user would, one action per run, so that shell test scripts
// can chain actions and check what comes back. `klvdriver` alone lists the
// actions with their arguments.
//
// TITLE matches a top-level window whose caption contains it; "class:NAME"
// matches by window class instead; "dialog:CAPTION" a dialog box whose
// caption is exactly CAPTION. Exit code 0 on success, 1 on failure,
// 2 on a usage error; failures say why on stderr.
//
// An action is one line in the table of its area's file (windows, controls,
// documents, screen, registry); this file finds it by name and runs scripts of actions.
#include "klvdriver.h"

#include <cstdio>
#include <cstring>

namespace {

const DriverAction* FindAction(const char* name);

// Words of a script line; "double quotes" group words, \" is a quote.
std::vector<std::string> SplitLine(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            word += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// One action per line (# comments); stops at the first failure.
int CmdScript(int, char** argv)
{
    FILE* f = std::fopen(argv[2], "r");
    if (!f) {
        std::fprintf(stderr, "klvdriver: cannot read %s\n", argv[2]);
        return 1;
    }
    char buf[4096];
    int lineNo = 0, rc = 0;
    while (rc == 0 && std::fgets(buf, sizeof buf, f)) {
        ++lineNo;
        std::string line = buf;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::vector<std::string> words = SplitLine(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        std::vector<char*> args{argv[0]};
        for (std::string& w : words)
            args.push_back(&w[0]);
        args.push_back(nullptr);
        const int argc = static_cast<int>(args.size()) - 1;
        const DriverAction* action = FindAction(args[1]);
        if (!action || argc - 2 < action->minArgs) {
            std::fprintf(stderr, "klvdriver: %s:%d: bad command\n", argv[2], lineNo);
            rc = 2;
            break;
        }
        std::printf("> %s\n", line.c_str());
        std::fflush(stdout);
        rc = action->run(argc, args.data());
        std::fflush(stdout);
        if (rc != 0)
            std::fprintf(stderr, "klvdriver: %s:%d failed: %s\n", argv[2], lineNo, line.c_str());
    }
    std::fclose(f);
    return rc;
}

const DriverAction kDriverActions[] = {
    {"script", 1, CmdScript,
     "FILE: run one action per line (# comments, \"double quotes\" group "
     "words); stops at the first failure"},
};

// Every action of the driver, area by area.
const DriverActionList kAllActions[] = {
    kWindowActions, kControlActions,  kDocumentActions,
    kScreenActions, kRegistryActions, ActionList(kDriverActions),
};

const DriverAction* FindAction(const char* name)
{
    for (const DriverActionList& list : kAllActions)
        for (std::size_t i = 0; i < list.count; ++i)
            if (std::strcmp(list.first[i].name, name) == 0)
                return &list.first[i];
    return nullptr;
}

int Usage()
{
    std::fprintf(stderr, "usage: klvdriver ACTION ARGS...\n");
    for (const DriverActionList& list : kAllActions)
        for (std::size_t i = 0; i < list.count; ++i)
            std::fprintf(stderr, "  %-14s %s\n", list.first[i].name, list.first[i].usage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2) {
        if (const DriverAction* action = FindAction(argv[1]); action && argc - 2 >= action->minArgs)
            return action->run(argc, argv);
    }
    return Usage();
}
