// What assistive tools see of an application, read through AT-SPI (atspi_tree.py):
// the accessibles in tree order with their role, name and states.
#pragma once

#include <functional>
#include <optional>

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace quellpad::test {

// The application's accessibles; empty when it is not on the accessibility bus.
QJsonArray accessibleTree(const QString& applicationName);
// Reads the tree until predicate holds or timeoutMs passes; returns the last tree read.
QJsonArray accessibleTreeWhen(const QString& applicationName, const std::function<bool(const QJsonArray&)>& predicate,
                              int timeoutMs = 20000);
// The first accessible with this name (and this role, when one is given).
std::optional<QJsonObject> findAccessible(const QJsonArray& tree, const QString& name, const QString& role = {});
// Whether the first accessible with this name and role carries the state ("selected", "focused", ...).
bool accessibleHasState(const QJsonArray& tree, const QString& name, const QString& state, const QString& role = {});

} // namespace quellpad::test
