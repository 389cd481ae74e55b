#pragma once
// The scan's progress on a terminal: one line of phase, file and percentage,
// redrawn in place and wiped when the scan is done.

#include <cstdio>
#include <string>

#include "scan/scan_run.h"

namespace vy::cli {

class ProgressBar : public ScanObserver {
public:
    // width: the terminal's columns; the line never reaches the last one, so
    // the terminal does not wrap it.
    ProgressBar(std::FILE* stream, int width);
    ~ProgressBar() override;

    void PhaseBegun(ScanPhase phase) override;
    void FileBegun(const QString& name) override;
    void FilesDone() override;
    void PercentDone(int percent, bool reading) override;

    // Wipes the line; later calls draw it again.
    void Clear();

    // The line as it would be drawn now (without the control characters).
    std::string Line() const;

private:
    void Draw();

    std::FILE* stream_;
    int width_;
    std::string phase_;
    std::string file_;
    int percent_ = 0;
    bool drawn_ = false;
};

}  // namespace vy::cli
