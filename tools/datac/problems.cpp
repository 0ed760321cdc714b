#include "problems.h"

namespace datac {

void Problems::add(const QString &file, int line, const QString &message)
{
    m_lines.append(line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message)
                            : QStringLiteral("%1: %2").arg(file, message));
}

} // namespace datac
