#pragma once
// Sets an environment variable for the life of the object and puts the old state back. No Qt.

#include <cstdlib>
#include <optional>
#include <string>

namespace testfiles {

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        set(name_, value);
    }
    ~ScopedEnv()
    {
        if (old_)
            set(name_, *old_);
        else
            unset(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    static void set(const std::string& name, const std::string& value)
    {
#ifdef _WIN32
        _putenv_s(name.c_str(), value.c_str());
#else
        setenv(name.c_str(), value.c_str(), 1);
#endif
    }
    static void unset(const std::string& name)
    {
#ifdef _WIN32
        _putenv_s(name.c_str(), "");
#else
        unsetenv(name.c_str());
#endif
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace testfiles
