// Qt warns when it finds no runtime directory, and this suite treats every warning as a
// failure: give the process a private one before the application object exists.
#include <unistd.h>
#include <QDir>
#include <QFile>

namespace {
const bool kRuntimeDirReady = [] {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return true;
    }
    const QString dir = QDir::tempPath() + "/tolmarin-runtime-" + QString::number(getuid());
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
    return true;
}();
}  // namespace
