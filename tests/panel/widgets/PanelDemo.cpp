#include "panel/widgets/PanelDemo.h"

#include <cstdio>

#include <QApplication>
#include <QSocketNotifier>

#include "panel/PanelTestDoubles.h"
#include "panel/widgets/ClipboardPanelWindowFactory.h"

namespace quellpad::test {

int runPanelDemo() {
    PanelRig rig;
    rig.history->addText(QStringLiteral("Quarterly numbers for the board"));
    rig.history->addText(QStringLiteral("会议纪要：明天下午三点"));
    rig.history->addText(QStringLiteral("https://example.com/panel"), QStringLiteral("URL"));
    const std::unique_ptr<QObject> widgets = makeClipboardPanelWindow(rig.controller, rig.defaults, rig.localizer);
    rig.controller.show();

    QSocketNotifier commands(fileno(stdin), QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char line[64] = {};
        if (!std::fgets(line, sizeof line, stdin)) {
            QApplication::quit(); // the test went away
            return;
        }
        const QByteArray command = QByteArray(line).trimmed();
        if (command == "down") {
            rig.controller.handleKey(ClipboardPanelKeyCommand::selectNext);
        } else if (command == "up") {
            rig.controller.handleKey(ClipboardPanelKeyCommand::selectPrevious);
        } else if (command == "quit") {
            QApplication::quit();
        }
        std::printf("done %s\n", command.constData());
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace quellpad::test
