// korvmox: the desktop program.
#include "ui/main/Startup.h"

int main(int argc, char **argv) { return korv::RunKorvMox(argc, argv); }
