// Every test runs in a working directory of its own, made empty for it and
// removed after it: whatever a test writes relative to the working directory
// (above all the error log's default file TQ.log) stays its own and never
// lands in the build tree. Compiled into every test program.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace {

class TestWorkingDirectory final : public ::testing::EmptyTestEventListener {
  public:
    // A suite's shared fixtures (SetUpTestSuite) get a directory of their own too.
    void OnTestSuiteStart(const ::testing::TestSuite&) override { m_suite = enterNew(); }
    void OnTestStart(const ::testing::TestInfo&) override { m_test = enterNew(); }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        QDir::setCurrent(m_suite ? m_suite->path() : m_home);
        m_test.reset();
    }
    void OnTestSuiteEnd(const ::testing::TestSuite&) override
    {
        QDir::setCurrent(m_home);
        m_suite.reset();
    }

  private:
    static std::unique_ptr<QTemporaryDir> enterNew()
    {
        auto dir = std::make_unique<QTemporaryDir>();
        EXPECT_TRUE(dir->isValid() && QDir::setCurrent(dir->path())) << "no temporary working directory";
        return dir;
    }

    QString m_home = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> m_suite, m_test;
};

const bool kInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new TestWorkingDirectory);
    return true;
}();

} // namespace
