#include <gtest/gtest.h>

#include "plugin/blocks.h"

TEST(Smoke, Builds) { EXPECT_EQ(qp::BankEntries(-1), 50002); }
