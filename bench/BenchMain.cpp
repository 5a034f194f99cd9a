// quellpad-bench: measures what users feel (search latency, capture cost, OCR time).
// Usage: quellpad-bench <area> [options]; each area documents its own options.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QFile>
#include <QApplication>

#include "Core/Utilities/Logger.h"
#include "bench/BenchCommand.h"

namespace quellpad::bench {

namespace {
std::vector<BenchCommand>& registry() {
    static std::vector<BenchCommand> all;
    return all;
}
} // namespace

void registerCommand(BenchCommand command) { registry().push_back(std::move(command)); }
const std::vector<BenchCommand>& commands() { return registry(); }

qint64 peakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

bool resetPeakResident() {
    QFile references(QStringLiteral("/proc/self/clear_refs"));
    return references.open(QIODevice::WriteOnly) && references.write("5") == 1;
}

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(samples.size()));
    const size_t index = static_cast<size_t>(std::clamp(rank, 1.0, static_cast<double>(samples.size()))) - 1;
    return samples[index];
}

} // namespace quellpad::bench

int main(int argc, char** argv) {
    using namespace quellpad::bench;
    if (argc >= 2 && std::strcmp(argv[1], "capture-owner") == 0) {
        return runCaptureOwner(argc, argv);
    }
    // The OCR benchmark draws text and the panel benchmark shows widgets; offscreen needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    auto usage = [] {
        std::fprintf(stderr, "Usage: quellpad-bench <area> [options]\nAreas:\n");
        for (const BenchCommand& command : commands()) {
            std::fprintf(stderr, "  %-10s %s\n", qPrintable(command.name), qPrintable(command.summary));
        }
    };
    if (arguments.size() < 2) {
        usage();
        return 2;
    }
    for (const BenchCommand& command : commands()) {
        if (command.name == arguments[1]) {
            // Benchmarks print results on stdout; keep log lines off the terminal.
            quellpad::Logger::setWritesToStandardError(false);
            return command.run(arguments.mid(2));
        }
    }
    usage();
    return 2;
}
