# The layers of src/, bottom-up: a layer may include its own headers and those of the layers
# listed before it, never one listed after it. PLAIN layers are plain C++ without Qt.
# One line per layer:  NAME  PLAIN|QT  FOLDER...  (folders under src/; a deeper folder that is
# listed as a layer of its own belongs to that layer). A folder that does not exist yet passes.
set(TOLMARIN_LAYERS
    "core      PLAIN  text protocol model response"
    "formdesc  PLAIN  formdesc"
    "roomeq    PLAIN  roomeq"
    "sim       PLAIN  sim"
    "simserver QT     sim/server"
    "link      QT     link"
    "art       QT     art"
    "controls  QT     controls"
    "editor    QT     editor"
    "app       QT     app")
