// The application's reverse-DNS id: the name of its desktop entry, icon and AppStream
// metainfo (installed by the build, src/main/CMakeLists.txt), of its autostart entry,
// and the desktop file name it reports to the desktop.
#pragma once

#include <QString>

namespace quellpad::AppIdentity {

inline const QString applicationId = QStringLiteral("io.github.quellpad.Quellpad");
// Where the autostart entry lived before it was named after the id.
inline const QString legacyAutostartId = QStringLiteral("quellpad");

} // namespace quellpad::AppIdentity
