#include "files/FileCommands.h"

#include "app/Umain.h"

FileCommands::FileCommands(TfrmMain& main) : QObject(&main), m_main(main) {}
FileCommands::~FileCommands() = default;

void FileCommands::Open1Click() {}
void FileCommands::Save1Click() {}
