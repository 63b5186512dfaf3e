#include <QApplication>

#include <gtest/gtest.h>

#include <sched.h>

#include <cstdio>

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

} // namespace

int main(int argc, char** argv) {
    if (!IsolateNetwork()) {
        std::fprintf(stderr, "cannot enter a network namespace of its own; the window's tests "
                             "run with fake adapters only\n");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
