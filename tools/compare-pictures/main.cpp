// compare-pictures DIR: writes compare-graph.png, history-strip-en.png and
// history-strip-zh.png into DIR.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "../FormPictureRig.h"
#include "editor/form/MainForm.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/history/EditHistory.h"
#include "formdesc/FormDescription.h"
#include "formdesc/FormIds.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"

using namespace tolmarin;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);
    FormPictureRig rig;
    MainForm& form = *rig.form;
    ChannelSet& channels = *rig.channels;

    // A: a gentle tuning. B: more bass, a cut in the mids, a lower low-pass.
    EditHistory& history = form.History();
    for (int ch = 0; ch < 2; ++ch) {
        OutputChannel& c = channels.Channel(ch);
        c.Band(1).SetGainStep(230 + 10 * ch);
        c.Band(4).SetGainStep(180);
        c.Band(6).SetGainStep(215);
    }
    history.Commit();
    history.SwitchAb();
    for (int ch = 0; ch < 2; ++ch) {
        OutputChannel& c = channels.Channel(ch);
        c.Band(0).SetGainStep(300);
        c.Band(1).SetGainStep(290 - 20 * ch);
        c.Band(4).SetGainStep(120);
        c.Band(6).SetGainStep(170);
        c.LowPass().SetFreq(8000, true);
    }
    history.Commit();
    form.ShowState(0);
    QApplication::processEvents();

    auto* graph = form.Get<ResponseGraph>(form::kGraph);
    bool ok = SavePicture(graph->grab(), dir + QStringLiteral("/compare-graph.png"));
    const form::PixelRect strip = form::StripRect();
    const QRect stripRect(strip.x, strip.y - 40, strip.width, strip.height + 40);
    ok = SavePicture(form.grab(stripRect), dir + QStringLiteral("/history-strip-en.png")) && ok;
    form.ToggleLanguage();
    QApplication::processEvents();
    ok = SavePicture(form.grab(stripRect), dir + QStringLiteral("/history-strip-zh.png")) && ok;
    return ok ? 0 : 1;
}
