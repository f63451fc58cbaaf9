// An environment variable set (or unset) for the lifetime of the object, and put back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace mv::test {

class TEnvironmentVariable
{
public:
    // value nothing: the variable is unset meanwhile.
    TEnvironmentVariable(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
            saved_ = old;
        Set(value);
    }
    ~TEnvironmentVariable() { Set(saved_); }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    std::string name_;
    std::optional<std::string> saved_;
};

} // namespace mv::test
