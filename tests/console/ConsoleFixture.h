#pragma once

#include "gui/ConsoleWindow.h"
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/common/MessageBoxScript.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Adapter entries on the 198.18.0.0/15 test range, as a fake adapter source gives them.
inline std::shared_ptr<FakeAdapterSource> AdaptersWithEntries(int count) {
    auto source = std::make_shared<FakeAdapterSource>();
    for (int i = 0; i < count; ++i) {
        const std::uint8_t subnet = static_cast<std::uint8_t>(i);
        source->adapters.push_back(FakeAdapterSource::Adapter(
            platform::kIfTypeEthernet, "Test adapter " + std::to_string(i), "test" + std::to_string(i),
            {{198, 18, subnet, 1}}, {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i)}));
        source->rows.push_back(FakeAdapterSource::Row({198, 18, subnet, 1},
                                                      static_cast<std::uint32_t>(i + 2),
                                                      {255, 255, 255, 0}));
    }
    return source;
}

// Runs action on the first visible top-level window with this object name, as soon as it
// is up (a modal dialog's own event loop runs it). A window that never shows within the
// time-out is a failure, never a silent wait.
inline void WhenWindowShows(const QString& objectName, std::function<void(QWidget*)> action,
                            QDeadlineTimer deadline = QDeadlineTimer(30000)) {
    QTimer::singleShot(10, [objectName, action, deadline] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == objectName && top->isVisible()) {
                action(top);
                return;
            }
        }
        if (deadline.hasExpired()) {
            ADD_FAILURE() << objectName.toStdString() << " never showed";
            return;
        }
        WhenWindowShows(objectName, action, deadline);
    });
}
