#include "setup/MeterSetup.h"

#include "app/Umain.h"

MeterSetup::MeterSetup(TfrmMain& main) : QObject(&main), m_main(main) {}
MeterSetup::~MeterSetup() = default;

void MeterSetup::Setup1Click() {}
