#include "processstarter.h"

#include <QProcess>

namespace common {

bool DetachedProcessStarter::start(const QString &program)
{
    return QProcess::startDetached(program, {});
}

} // namespace common
