#include <gtest/gtest.h>

#include <QCoreApplication>

// The server and the Prometheus round trip run Qt's event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
