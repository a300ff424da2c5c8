#include "live/LiveMonitor.h"

#include "app/Umain.h"

LiveMonitor::LiveMonitor(TfrmMain& main) : QObject(&main), m_main(main) {}
LiveMonitor::~LiveMonitor() = default;

void LiveMonitor::MainTimerTimer() {}
void LiveMonitor::MaxMinTimerTimer() {}
void LiveMonitor::GoOnline() {}
void LiveMonitor::GoOffline() {}
void LiveMonitor::createPanel() {}
void LiveMonitor::ControlPanel1Click() {}
