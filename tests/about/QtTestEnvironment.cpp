// Gives a test program the QApplication its widgets need, for the whole run (offscreen unless told otherwise).
#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

class QtTestEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }

    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "morvane-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

} // namespace
