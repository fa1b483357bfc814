// PackBits rows, byte for byte, and a round trip through an independent unpacker.
#include "PackBits.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

QByteArray Pack(const QByteArray& input)
{
    QByteArray out;
    PackBits::Pack(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()), out);
    return out;
}

// The reader's side of the scheme, written from the format's description.
QByteArray Unpack(const QByteArray& packed)
{
    QByteArray out;
    for (qsizetype at = 0; at < packed.size();) {
        const int flag = int(int8_t(packed[at++]));
        if (flag >= 0) {
            out.append(packed.mid(at, flag + 1));
            at += flag + 1;
        } else if (flag != -128) {
            out.append(1 - flag, packed[at++]);
        }
    }
    return out;
}

QByteArray Distinct(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(i % 251));
    return bytes;
}

TEST(PackBitsTest, RowsPackToTheExpectedBytes)
{
    const struct { QByteArray input; QByteArray packed; } cases[] = {
        { "", "" },
        { "a", QByteArray("\x00" "a", 2) },
        { "aa", "\xFF" "a" },
        { "aaa", "\xFE" "a" },
        { "abc", QByteArray("\x02" "abc", 4) },
        { "abcc", QByteArray("\x03" "abcc", 5) },          // a pair stays in an open literal
        { "abccc", QByteArray("\x01" "ab" "\xFE" "c", 5) },
        { "aab", QByteArray("\xFF" "a" "\x00" "b", 4) },
        { QByteArray(128, 'z'), "\x81" "z" },
        { QByteArray(129, 'z'), QByteArray("\x81" "z" "\x00" "z", 4) },
        { QByteArray(130, 'z'), "\x81" "z" "\xFF" "z" },
        { Distinct(128), QByteArray("\x7F") + Distinct(128) },
        { Distinct(129), QByteArray("\x7F") + Distinct(128) + QByteArray("\x00", 1) + Distinct(129).right(1) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.size());
        EXPECT_EQ(Pack(c.input).toHex(' '), c.packed.toHex(' '));
    }
}

TEST(PackBitsTest, RandomRowsRoundTripWithinTheBoundAndNeverUseTheFlagByte)
{
    QRandomGenerator random(11);
    for (int trial = 0; trial < 500; ++trial) {
        QByteArray row;
        const int length = int(random.bounded(700));
        while (row.size() < length) {
            const char byte = char(random.bounded(4));     // few values: many runs of every length
            row.append(int(random.bounded(1, 200)) > 150 ? int(random.bounded(1, 300)) : 1, byte);
        }
        row.truncate(length);
        const QByteArray packed = Pack(row);
        ASSERT_EQ(Unpack(packed), row);
        ASSERT_LE(size_t(packed.size()), PackBits::MaxPackedSize(size_t(row.size())));
        for (qsizetype at = 0; at < packed.size();) {
            const int flag = int(int8_t(packed[at]));
            ASSERT_NE(flag, -128);
            at += flag >= 0 ? flag + 2 : 2;
        }
    }
}

} // namespace
