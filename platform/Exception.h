// The base of every error the program raises with a message text.
#pragma once

#include <stdexcept>
#include <string>

namespace mv::platform {

class Exception : public std::runtime_error
{
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Raised by the file streams when the system refuses a read, a write or an open; the message
// names the file and the system's reason.
class EStreamError : public Exception
{
public:
    using Exception::Exception;
};

} // namespace mv::platform
