#pragma once
// A test suite whose tests share one generated and prepared data set: one
// year, seed 11, made once before the suite's first test.

#include "support/GeneratedData.h"

#include <gtest/gtest.h>

#include <memory>

namespace tq::support {

class SharedGeneratedData : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { s_data = std::make_unique<GeneratedData>(1, 11); }
    static void TearDownTestSuite() { s_data.reset(); }
    void SetUp() override { ASSERT_TRUE(s_data->ready()) << s_data->problem(); }

    static GeneratedData& data() { return *s_data; }

  private:
    static inline std::unique_ptr<GeneratedData> s_data;
};

} // namespace tq::support
