#pragma once

#include <QCoreApplication>
#include <QString>

namespace platform {

// The folder of the program's executable, where its data file lies.
inline QString ExecutableDir()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace platform
