// The Wayland side of the pasteboard tests: the test session's Sway with wl-clipboard, and
// the in-process compositor playing the other client itself.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quellpad::test {

// The test session's headless Sway (scripts/test-environment.sh); empty when none runs.
QByteArray waylandSocket();

// Runs a wl-clipboard tool to its end (wl-copy leaves a background child serving the copy).
QByteArray runPeer(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                   bool* ok = nullptr, const QByteArray& socket = waylandSocket());

bool wlCopy(const QByteArray& bytes, const QString& type = {}, const QByteArray& socket = waylandSocket());

} // namespace quellpad::test
