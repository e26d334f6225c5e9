#include "DataModel.h"

#include <gtest/gtest.h>

namespace {

TEST(TWmiDataArray, StartsWithSixteenEmptySlots)
{
    TWmiDataArray data;
    for (int tag = FirstSlot; tag <= LastSlot; ++tag) {
        ASSERT_NE(data.Slot(tag), nullptr);
        EXPECT_EQ(*data.Slot(tag), TProgressData{}) << tag;
        EXPECT_EQ(data.Slot(tag)->DataB[99], 0.0);
    }
}

TEST(TWmiDataArray, TagsOutsideOneToSixteenNameNoSlot)
{
    for (long long tag : {-1LL, 0LL, 17LL, 1LL << 40}) {
        EXPECT_FALSE(IsSlotTag(tag)) << tag;
        TWmiDataArray data;
        EXPECT_EQ(data.Slot(tag), nullptr);
        TWmiDataArray source;
        source.Slot(1)->NameA = "changed";
        data.CopySlotFrom(source, tag);
        EXPECT_EQ(data, TWmiDataArray{}) << "copy with tag " << tag << " changed something";
    }
    EXPECT_TRUE(IsSlotTag(1));
    EXPECT_TRUE(IsSlotTag(16));
}

TEST(TWmiDataArray, CopiesAreDeep)
{
    TWmiDataArray source;
    TProgressData& slot = *source.Slot(5);
    slot.NameA = "Memory Used";
    slot.DisplayText = "Mem: 7.9 Gb of 16 Gb";
    slot.DataA[3] = 7.9;
    slot.DataB[1] = 16.0;

    TWmiDataArray whole = source;
    TWmiDataArray one;
    one.CopySlotFrom(source, 5);

    slot.NameA = "changed";
    slot.DataA[3] = 1.0;
    slot.DataB[1] = 0.0;
    for (const TWmiDataArray* copy : {&whole, &one}) {
        EXPECT_EQ(copy->Slot(5)->NameA, "Memory Used");
        EXPECT_EQ(copy->Slot(5)->DataA[3], 7.9);
        EXPECT_EQ(copy->Slot(5)->DataB[1], 16.0);
    }
    EXPECT_EQ(*one.Slot(4), TProgressData{}) << "only the named slot is copied";
}

TEST(TWmiDataArray, ClearReturnsToTheStartState)
{
    TWmiDataArray data;
    data.Slot(16)->Peak = 80;
    data.Slot(1)->DataA[0] = 5;
    data.Clear();
    EXPECT_EQ(data, TWmiDataArray{});
}

} // namespace
