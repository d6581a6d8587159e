#include "shared/MessageCatalogue.h"
#include "platform/VLNError.h"

#include <gtest/gtest.h>

using namespace lorvane;

TEST(MessageCatalogue, LooksUpTheEnglishBlockByBaseId) {
    EXPECT_EQ(MessageCatalogue::text(211), "You have chosen to close");
    EXPECT_EQ(MessageCatalogue::text(232), "&Save ");  // keeps its trailing blank
    EXPECT_EQ(MessageCatalogue::text(101), "Select the Tables you wish to include in your Query");
    EXPECT_EQ(MessageCatalogue::text(104), "Create a Join from left Table && Field");
    EXPECT_EQ(MessageCatalogue::text(160), " as an Output Field ?");
    EXPECT_EQ(MessageCatalogue::text(246), "Where");
}

TEST(MessageCatalogue, HoldsFourBlocksWithGapsAtTheSamePlaces) {
    int held = 0;
    for (int id = MessageCatalogue::kFirstId; id <= MessageCatalogue::kLastId; ++id)
        held += MessageCatalogue::contains(id);
    EXPECT_EQ(held, 140);
    for (int offset : {0, 200, 400, 600}) {
        for (int gap : {128, 225, 226, 227, 228, 229}) {
            EXPECT_FALSE(MessageCatalogue::contains(gap + offset)) << gap + offset;
            EXPECT_TRUE(MessageCatalogue::text(gap, static_cast<qint16>(offset)).isEmpty());
        }
        EXPECT_TRUE(MessageCatalogue::contains(246 + offset));
    }
    EXPECT_TRUE(MessageCatalogue::text(101, 200).startsWith("(****French****)"));
    EXPECT_TRUE(MessageCatalogue::text(101, 400).startsWith("(****German****)"));
    EXPECT_TRUE(MessageCatalogue::text(101, 600).startsWith("(****Spanish****)"));
    EXPECT_EQ(MessageCatalogue::text(232, 200), "&Save");
    EXPECT_EQ(MessageCatalogue::text(211, 600), "You have chosen to close");
}

TEST(MessageCatalogue, OffsetsBeyondSixteenBitsOverflow) {
    EXPECT_THROW(MessageCatalogue::text(32767, 1), VLNError);
    EXPECT_NO_THROW(MessageCatalogue::text(101, 32000));
}
