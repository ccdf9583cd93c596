// tolmarin: the editor and remote control of the TRV410 amplifier.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "Version.h"
#include "app/Application.h"
#include "editor/form/FormText.h"

int main(int argc, char** argv) {
    using namespace tolmarin;
    // Read before the application exists, so a usage error needs no display.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QString bad;
    const std::optional<AppOptions> options = ParseCommandLine(args, &bad);
    const UiState english;
    if (options && options->version) {
        std::printf("tolmarin %s\n", kVersion);
        return 0;
    }
    if (!options || options->help) {
        if (!options) {
            std::fprintf(stderr, "%s %s\n", english.Text(TextId::AppBadOption),
                         bad.toLocal8Bit().constData());
        }
        std::fprintf(options ? stdout : stderr, "%s\n", english.Text(TextId::AppUsage));
        return options ? 0 : 1;
    }
    QApplication qapp(argc, argv);
    // Ties the window to its desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tolmarin.Tolmarin"));
    Application app(*options, UserSettings(), QDir::currentPath());
    if (!app.InitInstance()) {
        return 3;
    }
    int screenshotExit = 0;
    QObject::connect(&app, &Application::screenshotDone, &qapp, [&](bool ok) {
        screenshotExit = ok ? 0 : 3;
        if (ok) {
            std::printf("screenshot %s\n", options->screenshot.toLocal8Bit().constData());
            std::fflush(stdout);
        }
        qapp.quit();
    });
    const int rc = qapp.exec();
    return rc != 0 ? rc : screenshotExit;
}
