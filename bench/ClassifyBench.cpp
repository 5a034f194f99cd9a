// `quellpad-bench classify [--json]`: the capture-path cost of classifying one copied
// text with the default settings (all fifteen detectors, no user rules), for prose, a
// JSON document, a SQL script and a Base64 blob of 100 bytes, 10 KB, 1 MB and 10 MB.
// Reports the median time per classification and, for the 10 MB texts, the cost of
// each detector on its own, so a bottleneck is visible.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "bench/BenchCommand.h"
#include "classification/ClipboardSystemClassificationDetectors.h"
#include "classification/LocalClipboardClassificationService.h"

namespace quellpad::bench {

namespace {

using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

QString prose(qsizetype size) {
    static const QStringList sentences{
        QStringLiteral("The quarterly report is due on Friday, so please send your numbers before noon."),
        QStringLiteral("We met at the café near the station and talked about the new design."),
        QStringLiteral("Remember to water the plants - especially the ferns - while I am away."),
        QStringLiteral("会议改到下午三点，请大家准时参加。"),
        QStringLiteral("She said: \"It works on my machine\", and everyone laughed."),
    };
    QString text;
    qsizetype bytes = 0;
    for (int i = 0; bytes < size; ++i) {
        const QString piece = sentences[i % sentences.size()] + ((i + 1) % 4 == 0 ? QStringLiteral("\n\n") : QStringLiteral(" "));
        text += piece;
        bytes += piece.toUtf8().size();
    }
    while (bytes > size) {
        bytes -= QString(text.back()).toUtf8().size();
        text.chop(1);
    }
    return text.trimmed();
}

QString jsonDocument(qsizetype size) {
    QString text = QStringLiteral("[\n");
    int id = 0;
    while (text.size() < size - 200) {
        text += QStringLiteral("  {\n    \"id\" : %1,\n    \"name\" : \"Item %1\",\n    \"price\" : %2,\n"
                               "    \"tags\" : [\"a\", \"b\"],\n    \"active\" : true\n  },\n")
                    .arg(id)
                    .arg(id * 1.25);
        ++id;
    }
    text += QStringLiteral("  {\"id\" : %1}\n]").arg(id);
    return text;
}

QString sqlScript(qsizetype size) {
    QString text = QStringLiteral("INSERT INTO orders (id, customer, total, note) VALUES\n");
    int id = 0;
    while (text.size() < size - 80) {
        text += QStringLiteral("  (%1, 'customer-%1', %2, 'paid -- on time'),\n").arg(id).arg(id * 3.5);
        ++id;
    }
    text += QStringLiteral("  (%1, 'last', 0, '');").arg(id);
    return text;
}

QString base64Blob(qsizetype size) {
    std::mt19937 random(42);
    QByteArray bytes(size * 3 / 4, Qt::Uninitialized);
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return QString::fromLatin1(bytes.toBase64());
}

struct Sample {
    QString kind;
    qsizetype bytes = 0;
    QString primary;
    double medianMicroseconds = 0;
    int runs = 0;
};

int runsFor(qsizetype size) {
    if (size <= 1000) return 2000;
    if (size <= 100'000) return 300;
    if (size <= 2'000'000) return 15;
    return 5;
}

int runClassifyBench(const QStringList& arguments) {
    const bool json = arguments.contains(QStringLiteral("--json"));
    const LocalClipboardClassificationService service;
    const auto all = allSystemClassifications();
    const ClipboardSystemClassificationSet enabled(all.begin(), all.end());

    struct Kind {
        const char* name;
        QString (*make)(qsizetype);
    };
    const Kind kinds[] = {{"prose", prose}, {"json", jsonDocument}, {"sql", sqlScript}, {"base64", base64Blob}};
    const qsizetype sizes[] = {100, 10 * 1024, 1024 * 1024, 10 * 1024 * 1024};

    std::vector<Sample> samples;
    QJsonArray detectorCosts;
    for (const Kind& kind : kinds) {
        for (const qsizetype size : sizes) {
            const QString text = kind.make(size);
            Sample sample{QString::fromLatin1(kind.name), text.toUtf8().size(), {}, 0, runsFor(size)};
            std::vector<double> times;
            for (int run = 0; run < sample.runs; ++run) {
                const auto start = Clock::now();
                const ClipboardClassificationResult result = service.classify(text, enabled, {});
                times.push_back(microsecondsSince(start));
                sample.primary = result.primaryClassification;
            }
            sample.medianMicroseconds = percentile(times, 50);
            samples.push_back(sample);

            if (size == sizes[3]) {
                QJsonObject costs{{QStringLiteral("kind"), sample.kind}};
                const std::optional<ClipboardDetectedLink> link = ClipboardLinkDetector::detect(text);
                for (const ClipboardSystemClassification classification : all) {
                    std::vector<double> detectorTimes;
                    for (int run = 0; run < 3; ++run) {
                        const auto start = Clock::now();
                        ClipboardClassificationDetectors::detect(classification, text, link);
                        detectorTimes.push_back(microsecondsSince(start));
                    }
                    costs.insert(rawValue(classification), percentile(detectorTimes, 50));
                }
                detectorCosts.push_back(costs);
            }
        }
    }

    if (json) {
        QJsonArray rows;
        for (const Sample& s : samples) {
            rows.push_back(QJsonObject{{QStringLiteral("kind"), s.kind},
                                       {QStringLiteral("bytes"), static_cast<double>(s.bytes)},
                                       {QStringLiteral("primary"), s.primary},
                                       {QStringLiteral("runs"), s.runs},
                                       {QStringLiteral("medianMicroseconds"), s.medianMicroseconds}});
        }
        const QJsonObject report{{QStringLiteral("classifications"), rows},
                                 {QStringLiteral("detectorMicrosecondsAt10MB"), detectorCosts},
                                 {QStringLiteral("peakResidentBytes"), static_cast<double>(peakResidentBytes())}};
        std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Indented).constData());
        return 0;
    }
    std::printf("%-8s %10s %-10s %6s %16s\n", "kind", "bytes", "primary", "runs", "median us");
    for (const Sample& s : samples) {
        std::printf("%-8s %10lld %-10s %6d %16.1f\n", qPrintable(s.kind), static_cast<long long>(s.bytes),
                    qPrintable(s.primary), s.runs, s.medianMicroseconds);
    }
    std::printf("\nPer detector at 10 MB (median us of 3):\n");
    for (const auto& value : detectorCosts) {
        const QJsonObject costs = value.toObject();
        std::printf("%s:", qPrintable(costs.value(QStringLiteral("kind")).toString()));
        for (const ClipboardSystemClassification classification : all) {
            std::printf(" %s=%.0f", qPrintable(rawValue(classification)), costs.value(rawValue(classification)).toDouble());
        }
        std::printf("\n");
    }
    std::printf("\npeak resident: %.1f MB\n", static_cast<double>(peakResidentBytes()) / (1024.0 * 1024.0));
    return 0;
}

const BenchRegistration registration({QStringLiteral("classify"),
                                      QStringLiteral("classification cost per copied text (100 B to 10 MB)"),
                                      runClassifyBench});

} // namespace

} // namespace quellpad::bench
