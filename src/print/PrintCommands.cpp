#include "print/PrintCommands.h"

#include "app/Umain.h"

PrintCommands::PrintCommands(TfrmMain& main) : QObject(&main), m_main(main) {}
PrintCommands::~PrintCommands() = default;

void PrintCommands::btnPrintClick() {}
void PrintCommands::PrinterSetup1Click() {}
