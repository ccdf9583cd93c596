// form-state-pictures DIR: writes power-off-question-en.png, power-off-question-zh.png and
// form-unlinked.png (the form with no link: temperatures and levels "--", the bar empty)
// into DIR.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <cstdio>
#include <memory>

#include "../FormPictureRig.h"
#include "editor/form/MainForm.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"

using namespace tolmarin;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);
    FormPictureRig rig;
    MainForm& form = *rig.form;
    QApplication::processEvents();

    bool ok = SavePicture(form.grab(), dir + QStringLiteral("/form-unlinked.png"));
    for (const char* suffix : {"en", "zh"}) {
        if (QString::fromLatin1(suffix) == QStringLiteral("zh")) {
            form.ToggleLanguage();
        }
        std::unique_ptr<QDialog> box(form.MakeQuestionBox(form.PowerOffQuestion()));
        box->show();
        QApplication::processEvents();
        ok = SavePicture(
                 box->grab(),
                 dir + QStringLiteral("/power-off-question-%1.png").arg(QLatin1String(suffix))) &&
             ok;
        box->hide();
    }
    return ok ? 0 : 1;
}
