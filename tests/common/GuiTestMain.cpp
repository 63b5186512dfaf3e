#include "gui/Settings.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <sched.h>

#include <cstdio>
#include <memory>

namespace {

// The window's tests run the console's real start-up, which searches for hubs on the
// adapters it finds. In a network namespace of their own nothing they send can leave the
// machine: root gets a plain one, other users one inside a user namespace.
bool IsolateNetwork() {
    if (unshare(CLONE_NEWNET) == 0) {
        return true;
    }
    return unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0;
}

// The offscreen platform's own screen is 800 x 800 pixels, smaller than the desktops the
// window is drawn for, and the window fits itself to its screen. The tests give it a
// desktop's screen instead: 1920 x 1080, or the size KESTRUNE_TEST_SCREEN asks for
// ("1366x736"), at 100 % scale; twice that at 200 % (QT_SCALE_FACTOR). The file must
// exist until the application has read it.
std::unique_ptr<QTemporaryFile> OffscreenDesktopScreen() {
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    const double scale = factor.isEmpty() ? 1.0 : factor.toDouble();
    QList<QByteArray> size = qgetenv("KESTRUNE_TEST_SCREEN").split('x');
    if (size.size() != 2) {
        size = {"1920", "1080"};
    }
    auto config = std::make_unique<QTemporaryFile>();
    if (!config->open()) {
        return nullptr;
    }
    config->write(QStringLiteral(R"({"screens": [{"name": "desktop", "width": %1, "height": %2}]})")
                      .arg(qRound(size[0].toInt() * scale))
                      .arg(qRound(size[1].toInt() * scale))
                      .toUtf8());
    config->flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config->fileName().toLocal8Bit());
    return config;
}

// What the window remembers between runs goes to a folder of the test run's own, never
// to the user's settings, and every test starts with nothing remembered.
class FreshSettings : public testing::EmptyTestEventListener {
public:
    FreshSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_.path());
    }
    void OnTestStart(const testing::TestInfo&) override {
        QSettings{QString::fromLatin1(kSettingsOrganisation),
                  QString::fromLatin1(kSettingsApplication)}
            .clear();
    }

private:
    QTemporaryDir folder_;
};

} // namespace

int main(int argc, char** argv) {
    if (!IsolateNetwork()) {
        std::fprintf(stderr, "cannot enter a network namespace of its own; the window's tests "
                             "run with fake adapters only\n");
    }
    std::unique_ptr<QTemporaryFile> screenConfig;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        screenConfig = OffscreenDesktopScreen();
        if (!screenConfig) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}
