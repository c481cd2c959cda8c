// Checks for the test-bed programs: named cases, failures that print file,
// line and values, and a summary that becomes the exit code.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

inline int g_bedFailures = 0;

#define BED_CHECK(cond)                                                                 \
    do {                                                                                \
        if (!(cond)) {                                                                  \
            std::printf("  FAIL %s:%d: %s\n", __FILE__, __LINE__, #cond);               \
            ++g_bedFailures;                                                            \
        }                                                                               \
    } while (0)

#define BED_CHECK_EQ(actual, expected)                                                  \
    do {                                                                                \
        long long a_ = static_cast<long long>(actual);                                  \
        long long e_ = static_cast<long long>(expected);                                \
        if (a_ != e_) {                                                                 \
            std::printf("  FAIL %s:%d: %s == %s (got %lld, expected %lld)\n", __FILE__, \
                        __LINE__, #actual, #expected, a_, e_);                          \
            ++g_bedFailures;                                                            \
        }                                                                               \
    } while (0)

#define BED_CHECK_RANGE(actual, low, high)                                              \
    do {                                                                                \
        double a_ = static_cast<double>(actual);                                        \
        if (!(a_ >= (low) && a_ <= (high))) {                                           \
            std::printf("  FAIL %s:%d: %s in [%g, %g] (got %g)\n", __FILE__, __LINE__,  \
                        #actual, static_cast<double>(low), static_cast<double>(high),   \
                        a_);                                                            \
            ++g_bedFailures;                                                            \
        }                                                                               \
    } while (0)

#define BED_CHECK_STR(actual, expected)                                                 \
    do {                                                                                \
        std::string a_ = (actual);                                                      \
        std::string e_ = (expected);                                                    \
        if (a_ != e_) {                                                                 \
            std::printf("  FAIL %s:%d: %s == \"%s\" (got \"%s\")\n", __FILE__,          \
                        __LINE__, #actual, e_.c_str(), a_.c_str());                     \
            ++g_bedFailures;                                                            \
        }                                                                               \
    } while (0)

// Runs one named case; a case that cannot go on returns early after a failed
// check, the later cases still run.
inline void BedCase(const char* name, const std::function<void()>& body)
{
    int before = g_bedFailures;
    std::printf("[ RUN  ] %s\n", name);
    std::fflush(stdout);
    body();
    std::printf("[ %s ] %s\n", g_bedFailures == before ? " OK " : "FAIL", name);
    std::fflush(stdout);
}

inline int BedSummary()
{
    std::printf("%s: %d failed check(s)\n", g_bedFailures ? "FAILED" : "PASSED", g_bedFailures);
    std::fflush(stdout);
    return g_bedFailures ? 1 : 0;
}
