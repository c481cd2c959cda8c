// The check harness of the Windows test programs: named cases, checks that
// report file, line and values, and a summary that becomes the exit code.
// A case that cannot go on returns early after a failed check; later cases
// still run.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

inline int g_checkFailures = 0;

// Integers of mixed signedness compare by value (-1 is not 0xFFFFFFFF).
template <class A, class E> bool CheckEqual(const A& a, const E& e)
{
    constexpr bool kBothPlainInts = std::is_integral_v<A> && std::is_integral_v<E> &&
                                    !std::is_same_v<A, bool> && !std::is_same_v<E, bool> &&
                                    !std::is_same_v<A, char> && !std::is_same_v<E, char>;
    if constexpr (kBothPlainInts)
        return std::cmp_equal(a, e);
    else
        return a == e;
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::printf("  FAIL %s:%d: %s\n", __FILE__, __LINE__, #cond);                          \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        auto a_ = (actual);                                                                        \
        auto e_ = (expected);                                                                      \
        if (!CheckEqual(a_, e_)) {                                                                 \
            std::printf("  FAIL %s:%d: %s == %s (got %lld, expected %lld)\n", __FILE__, __LINE__,  \
                        #actual, #expected, static_cast<long long>(a_),                            \
                        static_cast<long long>(e_));                                               \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_NEAR(actual, expected, tol)                                                          \
    do {                                                                                           \
        double a_ = (actual);                                                                      \
        double e_ = (expected);                                                                    \
        if (!(a_ >= e_ - (tol) && a_ <= e_ + (tol))) {                                             \
            std::printf("  FAIL %s:%d: %s ~ %s (got %.6f, expected %.6f)\n", __FILE__, __LINE__,   \
                        #actual, #expected, a_, e_);                                               \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_RANGE(actual, low, high)                                                             \
    do {                                                                                           \
        double a_ = static_cast<double>(actual);                                                   \
        if (!(a_ >= (low) && a_ <= (high))) {                                                      \
            std::printf("  FAIL %s:%d: %s in [%g, %g] (got %g)\n", __FILE__, __LINE__, #actual,    \
                        static_cast<double>(low), static_cast<double>(high), a_);                  \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_STR(actual, expected)                                                                \
    do {                                                                                           \
        std::string a_ = (actual);                                                                 \
        std::string e_ = (expected);                                                               \
        if (a_ != e_) {                                                                            \
            std::printf("  FAIL %s:%d: %s == \"%s\" (got \"%s\")\n", __FILE__, __LINE__, #actual,  \
                        e_.c_str(), a_.c_str());                                                   \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

inline void RunCase(const char* name, const std::function<void()>& body)
{
    int before = g_checkFailures;
    std::printf("[ RUN  ] %s\n", name);
    std::fflush(stdout);
    DWORD start = GetTickCount();
    body();
    std::printf("[ %s ] %s (%lu ms)\n", g_checkFailures == before ? " OK " : "FAIL", name,
                GetTickCount() - start);
    std::fflush(stdout);
}

inline int Summary()
{
    std::printf("%s: %d failed check(s)\n", g_checkFailures ? "FAILED" : "PASSED", g_checkFailures);
    std::fflush(stdout);
    return g_checkFailures ? 1 : 0;
}
