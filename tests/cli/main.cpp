#include <gtest/gtest.h>

#include <QCoreApplication>

// The tool's link commands run Qt's event loop; the other tests need none but share the
// binary.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
