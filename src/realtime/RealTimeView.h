#pragma once
// What the recorder needs from the "Real-Time Graph" window: its chart cells and X scale, the
// statistic boxes, the sampling-rate lists and the "Clear" button. The graph window provides
// it through a small adapter; tests use a plain fake.
#include <QString>
#include <span>

class QWidget;

class RealTimeView {
  public:
    // The nine statistic boxes, then the two of the upper panel.
    enum Box {
        ppmMax,
        ppmMin,
        ppmAvg,
        RHMax,
        RHMin,
        RHAvg,
        T1Max,
        T1Min,
        T1Avg,
        StartTime,
        DataNo,
    };

    virtual ~RealTimeView() = default;

    // False once the window has closed (it may not be destroyed yet).
    virtual bool isOpen() const { return true; }

    virtual QWidget* window() = 0; // the graph window itself
    virtual void showNormal() = 0; // restore from minimised or maximised

    // Chart: three subsets (ppm, %RH, Temp.) of points() cells each.
    virtual int points() const = 0;
    virtual void setPoints(int points) = 0;
    virtual void rearm() = 0; // every cell: X 0, Y null (99999)
    virtual void setSample(int point, double x, float ppm, float rh, float temp) = 0;
    virtual std::span<const float> yValues(int subset) const = 0; // points() values
    virtual double manualMaxX() const = 0;
    virtual void setManualRangeX(double minX, double maxX) = 0;
    virtual void setManualMaxX(double maxX) = 0;
    virtual void setLineGapThreshold(double v) = 0;
    virtual void hideMaxMinTable() = 0;
    virtual void undoZoom() = 0; // also disables "Undo Zoom"
    virtual void redraw() = 0;   // the redraw sequence
    virtual void focusChart() = 0;

    // The window's own ClearGraph: empty cells, boxes emptied, SampleCount 0, annotations.
    virtual void clearGraph() = 0;

    virtual void setBox(Box box, const QString& text) = 0;
    virtual QString box(Box box) const = 0;

    // Sampling-rate lists: indices into "00".."60".
    virtual int minutesIndex() const = 0;
    virtual int secondsIndex() const = 0;
    virtual void setRateLists(int minutesIndex, int secondsIndex) = 0;

    virtual void setClearEnabled(bool enabled) = 0;
};
