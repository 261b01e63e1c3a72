#pragma once

#include <cstdio>
#include <exception>

// The last guard of a program's main: what escapes its body (memory exhausted, an error no layer
// expected) ends the program with a line naming the program and with failureCode, instead of an
// abort without a word.
template<typename Body> int RunGuarded(const char *program, int failureCode, Body &&body) noexcept
{
    try {
        return body();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unexpected error\n", program);
    }
    return failureCode;
}
