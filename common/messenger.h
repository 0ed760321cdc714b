#pragma once

#include <QString>

namespace common {

class Error;

// Where the windows send what the user must be told. Views get one through their constructor,
// so tests can record messages instead of showing boxes.
class Messenger
{
public:
    virtual ~Messenger() = default;
    virtual void showError(const Error &error) = 0;
    virtual void showMessage(const QString &caption, const QString &text) = 0;
};

} // namespace common
