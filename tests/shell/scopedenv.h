// Sets or clears one environment variable for the life of the object and puts back
// what was there before, so one test's environment never leaks into the next.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value) : name_(name), hadValue_(qEnvironmentVariableIsSet(name)),
        oldValue_(qgetenv(name))
    {
        qputenv(name_, value);
    }
    explicit ScopedEnv(const char *name) : name_(name), hadValue_(qEnvironmentVariableIsSet(name)),
        oldValue_(qgetenv(name))
    {
        qunsetenv(name_);
    }
    ~ScopedEnv()
    {
        if (hadValue_)
            qputenv(name_, oldValue_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    bool hadValue_;
    QByteArray oldValue_;
};
