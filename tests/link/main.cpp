#include <gtest/gtest.h>

#include <QCoreApplication>

// The end-to-end tests run Qt's event loop; the others need none but share the binary.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
