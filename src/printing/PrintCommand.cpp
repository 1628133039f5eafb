// File > Print: the print job (skeleton until the print job lands).
#include "shell/frmMain.h"

void frmMain::mnuFilePrint_Click() {}
