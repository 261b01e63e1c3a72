#pragma once

#include <stdexcept>

// A text that cannot be read as a number; the message says which, as "'$ZZ' is not a valid
// integer value".
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
