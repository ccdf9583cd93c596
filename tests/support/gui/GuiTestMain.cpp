// The main of every widget suite: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // Test discovery runs the suite without the test environment; there is no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Without a login session (CI, a root shell) Qt warns that XDG_RUNTIME_DIR is unset,
    // and warnings are fatal here: the run gets a private runtime folder of its own.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    // The application data folder (the editor's recovery copy) is never the user's: a
    // private one, or the one a test names for a process it starts and kills.
    QTemporaryDir data;
    const QByteArray named = qgetenv("TOLMARIN_TEST_DATA_HOME");
    qputenv("XDG_DATA_HOME", !named.isEmpty() ? named : QFile::encodeName(data.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
