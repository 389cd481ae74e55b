#include "cli/progress_bar.h"

#include <algorithm>

#include "cli/terminal_text.h"

namespace vy::cli {

namespace {

constexpr int BarCells = 20;

}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, int width) : stream_(stream), width_(std::max(width, 2)) {}

ProgressBar::~ProgressBar() { Clear(); }

void ProgressBar::PhaseBegun(ScanPhase phase)
{
    phase_ = phase == ScanPhase::Reading ? "Processing" : "Checking";
    Draw();
}

void ProgressBar::FileBegun(const QString& name)
{
    // Shown as the window shows it, in lower case.
    file_ = "file: " + name.toLower().toLatin1().toStdString();
    Draw();
}

void ProgressBar::FilesDone()
{
    file_.clear();
    Draw();
}

void ProgressBar::PercentDone(int percent, bool)
{
    percent_ = percent;
    Draw();
}

std::string ProgressBar::Line() const
{
    // Percentages can pass 100 (lines ended by a lone CR); the bar stops full.
    const int filled = std::clamp(percent_, 0, 100) * BarCells / 100;
    std::string line = phase_.empty() ? std::string("Scanning") : phase_;
    line += " [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(BarCells - filled), ' ');
    line += "] ";
    line += std::to_string(percent_);
    line += '%';
    if (!file_.empty()) {
        line += "  ";
        line += file_;
    }
    // A file name is whatever the folder holds: control characters in it
    // must not steer the terminal.
    MaskControls(line);
    const std::size_t room = static_cast<std::size_t>(width_ - 1);
    if (line.size() > room)
        line.resize(room);
    return line;
}

void ProgressBar::Draw()
{
    const std::string line = Line();
    // Carriage return, the line, then erase whatever an older, longer line
    // left to its right.
    std::fprintf(stream_, "\r%s\x1b[K", line.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::Clear()
{
    if (!drawn_)
        return;
    std::fputs("\r\x1b[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace vy::cli
