# The program's one version record. The About box, the window title, the
# installed metadata and the fuzz build all take it from here.
set(QUORVEL_VERSION 0.8.0)
