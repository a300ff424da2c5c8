#pragma once
// A plain stand-in for the real-time graph window: cells in vectors, boxes in a map.
#include "realtime/RealTimeView.h"

#include <array>
#include <map>
#include <vector>

struct FakeRealTimeView : RealTimeView {
    int pointCount = 100;
    std::array<std::vector<double>, 3> x;
    std::array<std::vector<float>, 3> y;
    double minX = 0, maxX = 0;
    double lineGap = 0;
    std::map<Box, QString> boxes;
    int minutes = 0, seconds = 2;
    bool clearEnabled = true;
    bool tableHidden = false;
    int redraws = 0, normals = 0, undoZooms = 0, clears = 0, focus = 0;

    FakeRealTimeView() {
        setPoints(100);
        rearm();
    }

    QWidget* window() override { return nullptr; }
    void showNormal() override { ++normals; }
    int points() const override { return pointCount; }
    void setPoints(int n) override {
        pointCount = n;
        for (int k = 0; k < 3; ++k) {
            x[k].resize(size_t(n), 0.0);
            y[k].resize(size_t(n), 99999.0f);
        }
    }
    void rearm() override {
        for (int k = 0; k < 3; ++k) {
            std::fill(x[k].begin(), x[k].end(), 0.0);
            std::fill(y[k].begin(), y[k].end(), 99999.0f);
        }
    }
    void setSample(int p, double t, float a, float b, float c) override {
        if (p < 0 || p >= pointCount) return;
        const float v[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            x[k][size_t(p)] = t;
            y[k][size_t(p)] = v[k];
        }
    }
    std::span<const float> yValues(int k) const override { return y[size_t(k)]; }
    double manualMaxX() const override { return maxX; }
    void setManualRangeX(double a, double b) override {
        minX = a;
        maxX = b;
    }
    void setManualMaxX(double b) override { maxX = b; }
    void setLineGapThreshold(double v) override { lineGap = v; }
    void hideMaxMinTable() override { tableHidden = true; }
    void undoZoom() override { ++undoZooms; }
    void redraw() override { ++redraws; }
    void focusChart() override { ++focus; }
    void clearGraph() override {
        ++clears;
        for (int k = 0; k < 3; ++k) {
            std::fill(x[k].begin(), x[k].end(), 0.0);
            std::fill(y[k].begin(), y[k].end(), 9999.0f);
        }
        for (Box b : {ppmMax, ppmMin, ppmAvg, RHMax, RHMin, RHAvg, T1Max, T1Min, T1Avg, DataNo})
            boxes[b].clear();
    }
    void setBox(Box b, const QString& text) override { boxes[b] = text; }
    QString box(Box b) const override {
        auto it = boxes.find(b);
        return it == boxes.end() ? QString() : it->second;
    }
    int minutesIndex() const override { return minutes; }
    int secondsIndex() const override { return seconds; }
    void setRateLists(int m, int s) override {
        minutes = m;
        seconds = s;
    }
    void setClearEnabled(bool e) override { clearEnabled = e; }
};
