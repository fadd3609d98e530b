#include <gtest/gtest.h>

#include "core/UtilsPano.h"

TEST(Enregistrement, TailleEtExtended)
{
    EXPECT_EQ(sizeof(TInfosImg), 560u);
    Extended e = 0.1L;
    EXPECT_EQ(static_cast<long double>(e), 0.1L);
}
