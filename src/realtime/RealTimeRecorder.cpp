#include "realtime/RealTimeRecorder.h"

#include "app/Umain.h"

RealTimeRecorder::RealTimeRecorder(TfrmMain& main) : QObject(&main), m_main(main) {}
RealTimeRecorder::~RealTimeRecorder() = default;

void RealTimeRecorder::CreateRealTimeGraph() {}
void RealTimeRecorder::btnRunClick() {}
void RealTimeRecorder::btnStopClick() {}
void RealTimeRecorder::RealTimeGraph1Click() {}
void RealTimeRecorder::AppendRealTimeSample(double, double, double, double) {}
