#pragma once

#include <QString>

#include <utility>
#include <variant>

// An expected failure that the user must read: a run refused, a file that is missing or cannot be
// used, a command line that cannot be followed. Code decides on the kind; the text is only ever
// shown (logged, boxed, printed), never searched. A check that can fail returns
// std::optional<Failure> (no value: all is well); a step that makes a value returns Result<T>.
struct Failure
{
    enum class Kind
    {
        Refused,     // the run stops before anything reaches the modem
        MissingFile, // a file that should be there is not
        BadFile,     // a file that is there but cannot be read or used
        Usage        // a command line the program cannot follow
    };

    Kind kind;
    QString text; // the user's words, without the trailing spaces a box adds
};

// A value, or the failure that kept it from being made. Reads like a pointer (or std::optional):
// test it, then use *result or result->member; failure() is there when the test is false.
template<typename T> class [[nodiscard]] Result
{
public:
    Result(T Value) : state(std::in_place_index<0>, std::move(Value)) {}
    Result(Failure Reason) : state(std::in_place_index<1>, std::move(Reason)) {}

    explicit operator bool() const { return state.index() == 0; }
    const T &operator*() const { return std::get<0>(state); }
    T &operator*() { return std::get<0>(state); }
    const T *operator->() const { return &std::get<0>(state); }
    T *operator->() { return &std::get<0>(state); }
    const Failure &failure() const { return std::get<1>(state); }

private:
    std::variant<T, Failure> state;
};
