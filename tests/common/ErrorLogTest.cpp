#include "common/ErrorLog.h"

#include <gtest/gtest.h>

TEST(ErrorLog, DefaultsBeforeConfiguration)
{
    tq::common::ErrorLog log;
    EXPECT_EQ(log.logFileName(), QStringLiteral("TQ.log"));
    EXPECT_EQ(log.logMax(), 1000);
}
