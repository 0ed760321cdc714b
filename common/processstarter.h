#pragma once

#include <QString>

namespace common {

// Starts another program detached, with a normal window and no arguments, never through a shell.
class ProcessStarter
{
public:
    virtual ~ProcessStarter() = default;
    // Returns false when the program could not be started.
    virtual bool start(const QString &program) = 0;
};

class DetachedProcessStarter : public ProcessStarter
{
public:
    bool start(const QString &program) override;
};

} // namespace common
