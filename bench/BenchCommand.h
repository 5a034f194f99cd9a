// quellpad-bench subcommands: each area registers one from its own file.
#pragma once

#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

namespace quellpad::bench {

struct BenchCommand {
    QString name;
    QString summary;
    // Arguments after the subcommand name; returns the exit status.
    std::function<int(const QStringList& arguments)> run;
};

void registerCommand(BenchCommand command);
const std::vector<BenchCommand>& commands();

struct BenchRegistration {
    explicit BenchRegistration(BenchCommand command) { registerCommand(std::move(command)); }
};

// `capture --burst` (CaptureBurstBench.cpp), and the owner process it starts per copy
// (`capture-owner`, run before any Qt object exists).
int runCaptureBurst(const QStringList& arguments);
int runCaptureOwner(int argc, char** argv);

// Peak resident set size of this process so far, in bytes (from /proc/self/status VmHWM).
qint64 peakResidentBytes();
// Starts the peak over from the current resident size (Linux 4.0 and later; false
// where the kernel refuses), so that one phase's peak can be read afterwards.
bool resetPeakResident();

// The p-th percentile (0...100) of samples by nearest rank; 0 for no samples.
double percentile(std::vector<double> samples, double p);

} // namespace quellpad::bench
