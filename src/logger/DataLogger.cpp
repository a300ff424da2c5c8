#include "logger/DataLogger.h"

#include "app/Umain.h"

DataLogger::DataLogger(TfrmMain& main) : QObject(&main), m_main(main) {}
DataLogger::~DataLogger() = default;

void DataLogger::LoadData1Click() {}
void DataLogger::btnOutputToGraphClick() {}
