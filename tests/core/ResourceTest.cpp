#include "core/Resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> s_released;
void Release(int fd) { s_released.push_back(fd); }

TEST(ResourceTest, AFileDescriptorHolderTakesZeroAsARealHandleAndReleasesEachOnce)
{
    s_released.clear();
    {
        CResource<int, Release, -1> none;
        EXPECT_FALSE(none);
        CResource<int, Release, -1> stdinLike(0);  // 0 is a valid descriptor, not "no handle"
        EXPECT_TRUE(stdinLike);
        CResource<int, Release, -1> moved(std::move(stdinLike));
        EXPECT_FALSE(stdinLike);
        moved.Reset(7);
        EXPECT_EQ(s_released, std::vector<int>{0});
    }
    EXPECT_EQ(s_released, (std::vector<int>{0, 7}));
}

}  // namespace
