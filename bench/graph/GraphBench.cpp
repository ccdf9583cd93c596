// The graph at the form's size with an equaliser on both channels: one full redraw of the
// equaliser page, and one drag step (the filter recomputed, the page drawn twice).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "RoomTuning.h"
#include "editor/graph/ResponseGraph.h"
#include "protocol/DeviceImage.h"

namespace {

using tolmarin::tuning::kGraphHeight;
using tolmarin::tuning::kGraphWidth;

struct Rig {
    tolmarin::SharedState state;
    tolmarin::ChannelSet set{(Init(state), state)};
    QObject form;
    tolmarin::ResponseGraph graph;
    QImage screen{kGraphWidth, kGraphHeight, QImage::Format_ARGB32_Premultiplied};

    static void Init(tolmarin::SharedState& s) {
        tolmarin::InitDeviceImage(s);
        tolmarin::InitSystemBytes(s.image);
    }

    Rig() {
        tolmarin::tuning::TuneRoom(set);
        graph.resize(kGraphWidth, kGraphHeight);
        graph.AttachChannels(&set);
        graph.SetPlotArea();
        graph.SetParentView(&form);
        graph.SelectChannel(0);
    }

    QPointF Centre(const tolmarin::Rect& r) const { return QPointF(r.Center().x, r.Center().y); }
    tolmarin::Rect HandleOf(int band) const {
        return graph.Interaction().Marks(set.Channel(0).Band(band)).main;
    }

    void Send(QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, p, graph.mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&graph, &e);
    }

    // The same path as a paint of the screen: the control's own paint event.
    void Paint() { graph.render(&screen); }
};

void BM_EqPageRedraw(benchmark::State& st) {
    Rig rig;
    rig.Send(QEvent::MouseMove, rig.Centre(rig.HandleOf(3)), Qt::NoButton);
    for (auto _ : st) {
        rig.Paint();
    }
}
BENCHMARK(BM_EqPageRedraw)->Unit(benchmark::kMillisecond);

void BM_DragStep(benchmark::State& st) {
    Rig rig;
    const QPointF start = rig.Centre(rig.HandleOf(3));
    rig.Send(QEvent::MouseMove, start, Qt::NoButton);
    rig.Send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    int i = 0;
    for (auto _ : st) {
        // Back and forth, so every step changes the band.
        const QPointF to = start + QPointF(i % 2 != 0 ? 40 : -40, (i % 3) * 6);
        ++i;
        rig.Send(QEvent::MouseMove, to, Qt::LeftButton);
        rig.Paint();
        rig.Paint();
    }
    if (!rig.graph.Interaction().Changed()) {
        st.SkipWithError("the drag changed nothing");
    }
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
