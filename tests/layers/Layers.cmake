# The layers of src/ as a dependency graph: a layer may include its own headers and those of
# the layers it names after the colon, nothing else. PLAIN layers are plain C++ without Qt.
# One line per layer:  NAME  PLAIN|QT  FOLDER... : LAYER...  (folders under src/; a deeper
# folder that is listed as a layer of its own belongs to that layer). A layer names only
# layers listed before it, so the graph has no cycle. A folder that does not exist yet passes.
set(TOLMARIN_LAYERS
    "core      PLAIN  text protocol model response :"
    "formdesc  PLAIN  formdesc :"
    "roomeq    PLAIN  roomeq : core"
    "measure   PLAIN  measure : roomeq core"
    "sim       PLAIN  sim : core"
    "simserver QT     sim/server : sim core"
    "link      QT     link : core"
    "venue     QT     venue : link core"
    "venuehttp QT     venue/http :"
    "venuelog  QT     venue/log : core"
    "venuescan QT     venue/scan : core"
    "art       QT     art : formdesc core"
    "controls  QT     controls : core"
    "live      QT     measure/live : measure core"
    "graph     QT     editor/graph : core"
    "history   QT     editor/history : core"
    "eqdialog  QT     editor/roomeq : graph live measure roomeq core"
    "programs  QT     editor/programs : controls formdesc link core"
    "tools     QT     editor/tools : eqdialog graph history core"
    "editor    QT     editor : controls graph history eqdialog tools formdesc link core"
    "app       QT     app : art controls editor programs formdesc link sim simserver core")
