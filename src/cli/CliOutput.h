// Shared output and option helpers of the history commands.
#pragma once

#include <optional>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

struct CliContext;

// One JSON object on one line: id, preview, contentType, classification,
// bundleIdentifier, createdAt, lastAccessedAt, accessCount; dates ISO-8601 UTC with
// milliseconds, absent values null.
QString snapshotJsonLine(const ClipboardHistoryIndexSnapshot& snapshot);
// "id  yyyy-MM-dd HH:mm  classification  preview" in local time; "-" for no classification.
QString snapshotPlainLine(const ClipboardHistoryIndexSnapshot& snapshot);
QString isoDate(const QDateTime& date);

// A non-negative whole number option; prints a usage error and returns nullopt when invalid.
std::optional<int> countOption(const QCommandLineParser& parser, const QCommandLineOption& option, int defaultValue,
                               const CliContext& context);

// Exactly `count` positional arguments, else a usage error on standard error.
bool expectPositionalArguments(const QCommandLineParser& parser, qsizetype count, const QString& name,
                               const CliContext& context);

} // namespace quellpad
