// The fixed-width helpers and WriteStr, shared by every stream (run here
// over memory).
#include "files/KWOMemFile.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(KWOResFile, ByteOrderOfTheReadHelpers)
{
    unsigned char bytes[] = {0x00, 0x00, 0x01, 0x02, 0x00, 0x00,
                             0x01, 0x02, 0x34, 0x12, 0x12, 0x34};
    KWOMemFile m(sizeof bytes, 1, bytes);
    EXPECT_EQ(0x0102u, m.ReadBE32());
    EXPECT_EQ(0x02010000u, m.Read32());
    EXPECT_EQ(0x1234u, m.Read16());
    EXPECT_EQ(0x1234u, m.ReadBE16());

    m.Seek(-1, 2);
    EXPECT_EQ(0u, m.Read16()); // one byte left
    EXPECT_EQ(KWOResFile::StateReadAtEnd, m.GetState());
    m.Seek(-1, 2);
    EXPECT_EQ(0u, m.ReadBE32());
    m.Seek(-1, 2);
    EXPECT_EQ(0.0, m.ReadDbl());
    m.Seek(-1, 2);
    EXPECT_EQ(0x34u, m.Read8());
}

TEST(KWOResFile, WriteHelpersAndRoundTrip)
{
    KWOMemFile m(32, 3);
    EXPECT_TRUE(m.Write8(0xAB));
    EXPECT_TRUE(m.Write16(0x1234));
    EXPECT_TRUE(m.WriteBE16(0x1234));
    EXPECT_TRUE(m.Write32(0x01020304));
    EXPECT_TRUE(m.WriteBE32(0x01020304));
    EXPECT_TRUE(m.WriteFl(1.5f));
    EXPECT_TRUE(m.WriteDbl(-2.25));
    const unsigned char expected[] = {0xAB, 0x34, 0x12, 0x12, 0x34, 4, 3, 2, 1, 1, 2,    3,   4,
                                      0x00, 0x00, 0xC0, 0x3F, 0,    0, 0, 0, 0, 0, 0x02, 0xC0};
    EXPECT_EQ(0, std::memcmp(expected, m.GetData(), sizeof expected));
    m.SeekStart();
    EXPECT_EQ(0xABu, m.Read8());
    EXPECT_EQ(0x1234u, m.Read16());
    EXPECT_EQ(0x1234u, m.ReadBE16());
    EXPECT_EQ(0x01020304u, m.Read32());
    EXPECT_EQ(0x01020304u, m.ReadBE32());
    EXPECT_EQ(1.5f, m.ReadFl());
    EXPECT_EQ(-2.25, m.ReadDbl());

    // A write that does not fit reports false.
    m.Seek(30, 0);
    EXPECT_FALSE(m.Write32(7));
    EXPECT_EQ(KWOResFile::StateWriteAtEnd, m.GetState());
}

TEST(KWOResFile, WriteStr)
{
    KWOMemFile m(8, 3 | KWOResFile::ModeTruncate);
    EXPECT_EQ(3u, m.WriteStr(KWOString("hello"), 3));
    EXPECT_EQ(0, std::memcmp("hel\0", m.GetData(), 4));
    EXPECT_EQ(0u, m.WriteStr(KWOString(), 10));
    EXPECT_EQ(0u, m.WriteStr(KWOString("abc"), 0));
    EXPECT_EQ(2u, m.WriteStr(KWOString("lo"), 0xFFFFFFFFu));
    EXPECT_EQ(5u, m.GetPos());
}
